#pragma once

#include "ui/GroupContext.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>

class QWidget;

namespace korvelan {

class FieldEdit;

// Active channels per multiplexer. Writing them needs the logger's memory erased first.
class ChannelsGroup : public QObject
{
    Q_OBJECT
public:
    // `refreshMemory` runs the memory state read after a write.
    ChannelsGroup(GroupContext context, QWidget* channelsPage, std::function<void()> refreshMemory);

    void leggicanali();
    void Scrivicanali();
    // The write, the operator having been asked already (ticking the counts in a settings
    // file's apply).
    void writeConfirmed();

    [[nodiscard]] FieldEdit* MUX(int i) const { return m_mux.at(size_t(i)); }
    // The active channels of multiplexer m as the windows that work per channel take them:
    // a box that does not hold a number (empty before a connection, "%%" after a read
    // that got no answer) counts as 0.
    [[nodiscard]] int activeChannels(int m) const;

    static constexpr int kMaxChannels = 16;
    static inline const QString kEraseWarning = QStringLiteral(
        "This operation requires memory to be erased.\r\nAcquisition data will be deleted.");

private:
    void writeCounts(bool ask);

    GroupContext m_ctx;
    std::function<void()> m_refreshMemory;
    std::array<FieldEdit*, 4> m_mux{};
};

} // namespace korvelan
