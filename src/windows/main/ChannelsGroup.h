#pragma once

#include "windows/main/GroupContext.h"

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

    static constexpr int kMaxChannels = 16;

private:
    GroupContext m_ctx;
    std::function<void()> m_refreshMemory;
    std::array<FieldEdit*, 4> m_mux{};
};

} // namespace korvelan
