#pragma once

#include <QWidget>
#include <functional>

class QPlainTextEdit;

namespace korvelan {

class LinkLog;
class Prompter;

// "Link log": every exchange on the link as it happens, for diagnosis in the field. "Save…"
// writes what the window holds to a text file; "Clear" empties it.
class LinkLogWindow : public QWidget
{
    Q_OBJECT
public:
    LinkLogWindow(LinkLog& log, Prompter& prompter, QWidget* parent = nullptr);

    // Where "Save…" writes; asked of the operator by default (tests give their own).
    void setFileChooser(std::function<QString()> choose) { m_choose = std::move(choose); }
    [[nodiscard]] QString text() const;
    void save();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void append(const QString& line);

    LinkLog& m_log;
    Prompter& m_prompter;
    QPlainTextEdit* m_view = nullptr;
    std::function<QString()> m_choose;
};

} // namespace korvelan
