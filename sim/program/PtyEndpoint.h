#pragma once

#include "link/LinkPeer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QSocketNotifier;

namespace korvelan::sim {

// One emulated device on a pseudo-terminal, in real time. Input wakes it through a socket
// notifier on the master side; its output is written when due, by a single-shot timer set to
// the device's next event. Nothing polls.
//
// The endpoint holds the slave side open itself, so the program may close and reopen its
// port at will: the master never sees the hang-up (which would make every read fail at once).
// Where the system tells (Linux), the program closing its port reaches the device as its DTR
// line going down.
class PtyEndpoint final : public QObject
{
    Q_OBJECT
public:
    // Called with each transfer: true for bytes from the program, false for bytes to it.
    using Tap = std::function<void(bool toDevice, const QByteArray& bytes)>;

    PtyEndpoint(LinkPeer& peer, QObject* parent = nullptr);
    ~PtyEndpoint() override;

    // Opens the pair in raw mode; false with *error filled when the system refuses.
    bool open(QString* error);
    [[nodiscard]] QString slavePath() const { return m_slavePath; }
    void setTap(Tap tap) { m_tap = std::move(tap); }

signals:
    void lineDropped();

private:
    void onReadable();
    void onPortClosed();
    void onWritable();
    void onDue();
    void schedule();
    void flush();

    LinkPeer& m_peer;
    int m_master = -1;
    int m_slave = -1;
    int m_closeWatch = -1;
    QString m_slavePath;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QTimer m_due;
    QTimer m_resume;
    QByteArray m_pending;
    Tap m_tap;
};

} // namespace korvelan::sim
