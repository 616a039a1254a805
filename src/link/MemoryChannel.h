#pragma once

#include "link/Channel.h"
#include "link/Clock.h"
#include "link/LinkPeer.h"

#include <QSet>

namespace korvelan {

// A channel to an in-process peer (the emulator, or a scripted device in tests). Time comes
// from the clock it is given, normally a VirtualClock that knows the peer's next event.
class MemoryChannel final : public Channel
{
    Q_OBJECT
public:
    MemoryChannel(LinkPeer& peer, Clock& clock, QObject* parent = nullptr);

    // Port names that open; any other name fails as a missing device does.
    // With no names set, every name opens.
    void setExistingPorts(QSet<QString> names) { m_existing = std::move(names); }
    // Ports that fail as one held by another program does.
    void setBusyPorts(QSet<QString> names) { m_busy = std::move(names); }

    void setPortName(const QString& name) override { m_name = name; }
    [[nodiscard]] QString portName() const override { return m_name; }
    bool open(const LineSettings& settings, QString* error) override;
    [[nodiscard]] PortFault openFault() const override { return m_fault; }
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_open; }
    void setDtr(bool on) override { m_dtr = on; }
    void setRts(bool on) override { m_rts = on; }
    [[nodiscard]] qint64 bytesWaiting() override;
    QByteArray readAll() override;
    QByteArray read(qint64 maxBytes) override;
    bool write(const QByteArray& bytes) override;
    void discardInput() override;

    [[nodiscard]] bool dtr() const { return m_dtr; }
    [[nodiscard]] bool rts() const { return m_rts; }
    [[nodiscard]] int openCount() const { return m_openCount; }
    [[nodiscard]] LineSettings lastSettings() const { return m_settings; }

private:
    void pull();

    LinkPeer& m_peer;
    Clock& m_clock;
    QString m_name;
    QSet<QString> m_existing;
    QSet<QString> m_busy;
    PortFault m_fault = PortFault::None;
    QByteArray m_input;
    LineSettings m_settings;
    bool m_open = false;
    bool m_dtr = false;
    bool m_rts = false;
    int m_openCount = 0;
};

} // namespace korvelan
