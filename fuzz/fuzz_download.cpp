// The download stream as any bytes in any pieces: the file must hold exactly the lines a
// plain reading of the stream finds (LF ends a line, CR is dropped, ETX ends it all, an
// unfinished last line is not written).
#include "download/MemoryDownload.h"
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "support/ScriptedPeer.h"
#include "support/ScriptedPrompter.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

using namespace korvelan;
using namespace std::chrono;

namespace {

QByteArray expectedFile(const QByteArray& stream)
{
    QByteArray out;
    QByteArray line;
    for (const char c : stream) {
        if (c == 3)
            break;
        if (c == '\r')
            continue;
        if (c == '\n') {
            out += line + "\r\n";
            line.clear();
            continue;
        }
        line += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_download";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;

    LoggerSession session;
    session.PortaSempreAperta = true;
    VirtualClock clock;
    test::ScriptedPeer peer;
    MemoryChannel channel(peer, clock);
    test::ScriptedPrompter prompter;
    Transport transport(session, channel, clock, prompter,
                        [](int) { return QStringLiteral("COM1"); });
    clock.addSource([&] { return peer.nextEvent(); });
    QString error;
    channel.open(LineSettings{}, &error);

    // The first byte sets the size of the pieces the stream arrives in.
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    const int piece = size > 0 ? 1 + data[0] % 64 : 1;
    const QByteArray stream = all.mid(1);
    peer.onReceive = [&](const QByteArray& bytes, TimePoint at) {
        if (bytes != ",")
            return;
        for (qsizetype i = 0; i < stream.size(); i += piece)
            peer.say(stream.mid(i, piece), at + milliseconds(5 * (i / piece + 1)));
    };

    const QString path = dir.filePath(QStringLiteral("data.txt"));
    MemoryDownload download(transport);
    const DownloadResult result = download.run(path, std::nullopt, WhenTaken::Replace);
    // A stream that did not end leaves a partial file, or none when nothing came.
    QByteArray written;
    if (!result.path.isEmpty()) {
        QFile file(result.path);
        if (!file.open(QIODevice::ReadOnly))
            std::abort();
        written = file.readAll();
        file.remove();
    }
    QByteArray expected = expectedFile(stream);
    if (written != expected)
        std::abort();
    const bool ended = stream.contains(char(3));
    if (ended != (result.outcome == DownloadOutcome::Completed))
        std::abort();
    return 0;
}
