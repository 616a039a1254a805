#pragma once

#include "ui/GroupContext.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvelan {

class MisCont;

// The "READ NOW" page's live readings: one reading of a multiplexer's channels or of its
// temperatures into sixteen boxes, and the way into the continuous reading.
class ReadNowGroup : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBoxes = 16;

    // `channelCount(m)` is the number of active channels the main window shows for
    // multiplexer m; `programFolder()` where the gage file and measurement files go.
    ReadNowGroup(GroupContext context, QWidget* readNowPage, std::function<int(int)> channelCount,
                 std::function<QString()> programFolder);

    void MISCONTINUA(int multiplexer);
    void MISCONTINUA_TEMP(int multiplexer);
    void cmdApriMisuraContinua();

    [[nodiscard]] QLabel* label(int k) const { return m_labels.at(size_t(k)); }
    [[nodiscard]] QLineEdit* value(int k) const { return m_values.at(size_t(k)); }
    // The continuous reading window while it is open.
    [[nodiscard]] MisCont* misCont() const;

private:
    void readChannels(int multiplexer, bool temperatures);

    GroupContext m_ctx;
    QWidget* m_page;
    std::function<int(int)> m_channelCount;
    std::function<QString()> m_programFolder;
    std::array<QLabel*, kBoxes> m_labels{};
    std::array<QLineEdit*, kBoxes> m_values{};
    QPointer<MisCont> m_misCont;
};

} // namespace korvelan
