#pragma once

// A logger link for download tests: a scripted device over an in-memory channel, a virtual
// clock and a temporary folder for the data files.
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "support/ScriptedPeer.h"
#include "support/ScriptedPrompter.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>

namespace korvelan::test {

struct DownloadRig {
    LoggerSession session;
    VirtualClock clock;
    ScriptedPeer peer;
    MemoryChannel channel{peer, clock};
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter,
                        [](int) { return QStringLiteral("/dev/ttyS0"); }};
    QTemporaryDir dir;
    TimePoint requestEnded{};

    DownloadRig()
    {
        clock.addSource([this] { return peer.nextEvent(); });
        session.PortaSempreAperta = true;
        session.Porta = 1;
        channel.setPortName(QStringLiteral("/dev/ttyS0"));
        QString error;
        channel.open(LineSettings{}, &error);
    }

    // Once the request is complete ("A0," or the closing "A1,"), the logger sends each piece
    // `gap` after the one before, the first after `first`.
    void answerRequest(QList<QByteArray> pieces, Duration first = std::chrono::milliseconds(50),
                       Duration gap = std::chrono::milliseconds(10))
    {
        peer.onReceive = [this, pieces, first, gap](const QByteArray&, TimePoint at) {
            const QByteArray sent = peer.received();
            if (!sent.endsWith("A0,") && !sent.endsWith("A1,"))
                return;
            requestEnded = at;
            auto when = at + first;
            for (const auto& piece : pieces) {
                peer.say(piece, when);
                when += gap;
            }
        };
    }

    [[nodiscard]] QString path(const QString& name = QStringLiteral("data.txt")) const
    {
        return dir.filePath(name);
    }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }
};

// n lines "0001;..." of a memory, each ended as the logger ends them, and what the file
// holds once they are written.
inline QByteArray memoryLines(int n, int first = 1)
{
    QByteArray out;
    for (int i = first; i < first + n; ++i)
        out += QByteArray::number(i).rightJustified(5, '0') + ";12/05/2025 10:30:00;1234.5;-3.25\r\n";
    return out;
}

}  // namespace korvelan::test
