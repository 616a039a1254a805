#pragma once

#include <QDialog>

class QPushButton;

namespace korvelan {

// Title, version, and a way to the system's own information tool where there is one.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    // The system information tool found on this machine, or empty.
    [[nodiscard]] static QString systemInfoTool();
    [[nodiscard]] QPushButton* systemInfoButton() const { return m_sysInfo; }

private:
    QPushButton* m_sysInfo = nullptr;
};

} // namespace korvelan
