#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace korvelan {

// SIGTERM and SIGINT (Ctrl-C) as an event: the handler only writes a byte to a socket, and
// the event loop, which every wait of the link runs, reads it and emits stopRequested. So a
// collection is stopped between two steps of its own, never in the middle of one.
class StopSignal : public QObject
{
    Q_OBJECT
public:
    explicit StopSignal(QObject* parent = nullptr);
    ~StopSignal() override;

    // Whether the handlers are in place.
    [[nodiscard]] bool installed() const { return m_notifier != nullptr; }

signals:
    // "SIGTERM" or "SIGINT", once per signal.
    void stopRequested(const QString& signalName);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace korvelan
