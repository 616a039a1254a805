// What a modem call brings, in pieces of any size, with the modem's NO CARRIER after it split
// between two reads at any place: the readers get every byte before the first NO CARRIER on a
// line of its own, less the CR LF before it, and nothing after; without one, every byte.
#include "link/MemoryChannel.h"
#include "link/VirtualClock.h"
#include "remote/CarrierWatch.h"
#include "support/ScriptedPeer.h"

#include <QCoreApplication>
#include <cstdlib>

using namespace korvelan;
using namespace std::chrono;

namespace {

bool endsLine(char c)
{
    return c == '\r' || c == '\n';
}

// What the readers must get, and whether the call ended.
std::pair<QByteArray, bool> expected(const QByteArray& stream)
{
    const QByteArray word = CarrierWatch::kNoCarrier;
    for (qsizetype i = 0; i + word.size() < stream.size(); ++i) {
        if ((i == 0 || endsLine(stream[i - 1])) && stream.mid(i, word.size()) == word &&
            endsLine(stream[i + word.size()])) {
            const bool crlf = i >= 2 && stream[i - 2] == '\r' && stream[i - 1] == '\n';
            return {stream.left(crlf ? i - 2 : i), true};
        }
    }
    return {stream, false};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_carrierwatch";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 2)
        return 0;
    // The first byte: the size of the pieces; the second: whether the modem's result follows
    // the data, and where it is split.
    const int piece = 1 + data[0] % 32;
    const int split = data[1] % 16;
    QByteArray stream(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    QList<qsizetype> cuts;
    for (qsizetype at = piece; at < stream.size(); at += piece)
        cuts << at;
    if (split < 15) {
        cuts << stream.size() << stream.size() + split;
        stream += "\r\nNO CARRIER\r\n";
    }
    cuts << stream.size();

    // One port for every input, opened afresh as for a new call.
    static VirtualClock clock;
    static test::ScriptedPeer peer;
    static MemoryChannel port(peer, clock);
    static CarrierWatch watch(port, clock);
    watch.watchCall(false);
    watch.close();
    watch.open(LineSettings{}, nullptr);
    watch.watchCall(true);
    QByteArray got;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        peer.say(stream.mid(from, cut - from), clock.now());
        from = cut;
        got += watch.readAll();
        clock.advance(milliseconds(10));
    }
    clock.advance(CarrierWatch::kHoldLimit);
    got += watch.readAll();
    const auto [want, dropped] = expected(stream);
    if (got != want || watch.callDropped() != dropped)
        std::abort();
    return 0;
}
