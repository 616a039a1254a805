// The modem emulator where the modem window does not take it: result codes of any command,
// every way a call ends.
#include "sim/ModemEmulator.h"
#include "support/EmulatorRig.h"

#include <QTest>

using namespace korvelan;
using namespace korvelan::sim;
using namespace std::chrono;

namespace {

// The program's modem port, a modem, and two stations behind it.
struct ModemRig : test::EmulatorRig<ModemEmulator>
{
    LoggerEmulator first{clock.now(), test::rigWallClock()};
    LoggerEmulator second{clock.now(), test::rigWallClock()};

    ModemRig()
    {
        first.setName(QStringLiteral("STATION1"));
        second.setName(QStringLiteral("STATION2"));
        peer.addStation(QStringLiteral("0212345"), &first);
        peer.addStation(QStringLiteral("0399 887766"), &second);
        peer.addStation(QStringLiteral("5550000"), nullptr, ModemEmulator::Answer::Busy);
        peer.addStation(QStringLiteral("5559999"), &second, ModemEmulator::Answer::NoAnswer);
    }
    ModemEmulator& modem = peer;

    // What the modem says within `wait` of being told `text` (the window's own reads).
    QString tell(const QString& text, Duration wait = milliseconds(200))
    {
        channel.write(toWire(text));
        pass(wait);
        return fromWire(channel.readAll());
    }
    // Waits as the modem window's 2 s timer does, until something arrives.
    QString poll(Duration limit = seconds(60))
    {
        const TimePoint end = now() + limit;
        QString got;
        while (got.isEmpty() && now() < end) {
            pass(seconds(2));
            got = fromWire(channel.readAll());
        }
        return got;
    }
    void prepare()
    {
        tell("ATE0\r");
        tell("atx0\r");
    }
};

} // namespace

class ModemTest : public QObject
{
    Q_OBJECT
private slots:
    void commandsAnswerWithResultCodes_data();
    void commandsAnswerWithResultCodes();
    void dialResults_data();
    void dialResults();
};

void ModemTest::commandsAnswerWithResultCodes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    const QString ok = "\r\nOK\r\n";
    // clang-format off
    QTest::newRow("AT") << "AT\r" << ok;
    QTest::newRow("lower case") << "atx0\r" << ok;
    QTest::newRow("ATI3") << "ATI3\r" << "\r\nKORVELAN GSM MODEM 1.0\r\n" + ok;
    QTest::newRow("ATH when idle") << "ATH\r" << ok;
    QTest::newRow("several in a line") << "ATE0 V1 S0=0 X0\r" << ok;
    QTest::newRow("unknown") << "ATJ\r" << "\r\nERROR\r\n";
    QTest::newRow("not a command") << "hello\r" << "";
    QTest::newRow("CR LF line end") << "AT\r\n" << ok;
    // clang-format on
}

void ModemTest::commandsAnswerWithResultCodes()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    ModemRig rig;
    rig.tell("ATE0\r");
    QCOMPARE(rig.tell(command), reply);
}

void ModemTest::dialResults_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QByteArray>("key"); // pressed while dialling
    QTest::addColumn<QString>("result");
    // A comma in the number is a pause, as the window's "Download and Go" dials.
    QTest::newRow("pause") << "0,212345" << QByteArray() << "\r\nCONNECT 9600\r\n";
    QTest::newRow("spaces in the number")
        << "0399 887766" << QByteArray() << "\r\nCONNECT 9600\r\n";
    QTest::newRow("busy") << "5550000" << QByteArray() << "\r\nBUSY\r\n";
    QTest::newRow("rings out") << "5559999" << QByteArray() << "\r\nNO CARRIER\r\n";
    QTest::newRow("nobody there") << "123" << QByteArray() << "\r\nNO CARRIER\r\n";
    QTest::newRow("a key abandons it") << "0212345" << QByteArray("x") << "\r\nNO CARRIER\r\n";
    // A terminal that ends its lines with CR LF has not pressed a key with the LF.
    QTest::newRow("the LF of CR LF") << "0212345" << QByteArray("\n") << "\r\nCONNECT 9600\r\n";
}

void ModemTest::dialResults()
{
    QFETCH(QString, number);
    QFETCH(QByteArray, key);
    QFETCH(QString, result);
    ModemRig rig;
    rig.prepare();
    rig.channel.write(toWire("ATD" + number + "\r"));
    const TimePoint dialled = rig.now();
    rig.pass(milliseconds(500));
    rig.channel.write(key);
    QCOMPARE(rig.poll(), result);
    const bool connected = result.contains("CONNECT");
    QCOMPARE(rig.modem.mode() == ModemEmulator::Mode::Data, connected);
    if (connected)
        QVERIFY(rig.now() - dialled >=
                ModemEmulator::kDialTime + number.count(u',') * ModemEmulator::kCommaPause);
}

QTEST_GUILESS_MAIN(ModemTest)
#include "tst_modem.moc"
