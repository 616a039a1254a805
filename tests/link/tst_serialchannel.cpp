// The link over a real pseudo-terminal, through the serial port class, with the real clock.
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "support/Pty.h"
#include "support/ScriptedPrompter.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace korvelan;
using namespace std::chrono;

namespace {

struct Rig {
    test::Pty pty;
    LoggerSession session;
    RealClock clock;
    SerialChannel channel;
    test::ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter,
                        [this](int) { return pty.slavePath(); }};

    bool open()
    {
        session.Porta = 1;
        session.PortaSempreAperta = true;
        channel.setPortName(pty.slavePath());
        QString error;
        return pty.isValid() && channel.open(LineSettings{}, &error);
    }
};

}  // namespace

class SerialChannelTest : public QObject {
    Q_OBJECT
private slots:
    void opensAPseudoTerminalWithoutModemLines();
    void parameterCharactersArriveApart();
    void replyIsSplitIntoFields();
    void otherSideClosingIsNoticedOnce();
};

void SerialChannelTest::opensAPseudoTerminalWithoutModemLines()
{
    Rig rig;
    QVERIFY(rig.open());
    rig.channel.setRts(true);
    rig.channel.setDtr(false);
    QVERIFY(rig.channel.isOpen());
}

void SerialChannelTest::parameterCharactersArriveApart()
{
    Rig rig;
    QVERIFY(rig.open());
    // The device side stamps each byte as it arrives, on a thread of its own so the stamps
    // do not wait for the program's pauses.
    std::vector<std::pair<char, steady_clock::time_point>> arrived;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            pollfd p{rig.pty.masterFd(), POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            char c = 0;
            while (::read(rig.pty.masterFd(), &c, 1) == 1) {
                arrived.emplace_back(c, steady_clock::now());
                if (poll(&p, 1, 0) <= 0)
                    break;
            }
        }
    });
    QVERIFY(rig.transport.Invia_Comando("c", "001,030,000,"));
    QTest::qWait(50);
    done = true;
    reader.join();
    QByteArray text;
    for (const auto& [c, at] : arrived)
        text += c;
    QCOMPARE(text, QByteArray("c001,030,000,"));
    // The reader thread's wake-up can shift a stamp by a fraction of a millisecond; the
    // benchmark measures the gaps precisely.
    for (size_t i = 1; i < arrived.size(); ++i) {
        const auto gap = arrived[i].second - arrived[i - 1].second;
        QVERIFY2(gap >= microseconds(9000),
                 qPrintable(QStringLiteral("gap %1 us").arg(duration_cast<microseconds>(gap).count())));
    }
}

void SerialChannelTest::replyIsSplitIntoFields()
{
    Rig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.transport.Invia_Comando("G", ","));
    QCOMPARE(rig.pty.read(2, milliseconds(1000)), QByteArray("G,"));
    QVERIFY(rig.pty.write("05,12,2025,"));
    QVERIFY(rig.pty.write(" 9,41,"));
    QStringList fields;
    for (int i = 0; i < 5; ++i)
        fields << rig.transport.Leggi_Campo();
    QCOMPARE(fields, (QStringList{"05", "12", "2025", " 9", "41"}));
}

void SerialChannelTest::otherSideClosingIsNoticedOnce()
{
    Rig rig;
    QVERIFY(rig.open());
    QSignalSpy lost(&rig.channel, &Channel::lost);
    QVERIFY(rig.transport.Invia_Comando("Q", ""));
    rig.pty.closeMaster();
    const auto start = steady_clock::now();
    QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("%%"));
    QVERIFY(steady_clock::now() - start < seconds(5));
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QVERIFY(!rig.channel.isOpen());
}

QTEST_MAIN(SerialChannelTest)
#include "tst_serialchannel.moc"
