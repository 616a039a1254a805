#pragma once

#include "ui/GroupContext.h"

#include <QObject>
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

    [[nodiscard]] FieldEdit* MUX(int i) const { return m_mux.at(size_t(i)); }
    // The active channels of multiplexer m as the windows that work per channel take them:
    // a box that does not hold a number (empty before a connection, "%%" after a read
    // that got no answer) counts as 0.
    [[nodiscard]] int activeChannels(int m) const;

    static constexpr int kMaxChannels = 16;

private:
    GroupContext m_ctx;
    std::function<void()> m_refreshMemory;
    std::array<FieldEdit*, 4> m_mux{};
};

} // namespace korvelan
