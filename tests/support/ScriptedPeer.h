#pragma once

#include "link/LinkPeer.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <map>

namespace korvelan::test {

// A device for link tests: records each byte it receives with its time, and says what the
// test tells it to, when the test tells it to.
class ScriptedPeer final : public LinkPeer
{
public:
    struct Byte
    {
        char value;
        TimePoint at;
    };

    ScriptedPeer() = default;
    // As the emulators are made, with the clock's start (which a script does not need).
    explicit ScriptedPeer(TimePoint) {}

    void receive(const QByteArray& bytes, TimePoint at) override;
    QByteArray take(TimePoint now) override;
    [[nodiscard]] std::optional<TimePoint> nextEvent() const override;
    [[nodiscard]] bool droppedBy(TimePoint now) const override { return m_drop && *m_drop <= now; }

    void say(const QByteArray& bytes, TimePoint at) { m_pending.emplace(at, bytes); }
    void dropAt(TimePoint at) { m_drop = at; }
    void reconnect() { m_drop.reset(); }
    // Called for every write the program makes.
    std::function<void(const QByteArray&, TimePoint)> onReceive;

    [[nodiscard]] QByteArray received() const;
    QList<Byte> bytes;

private:
    std::multimap<TimePoint, QByteArray> m_pending;
    std::optional<TimePoint> m_drop;
};

} // namespace korvelan::test
