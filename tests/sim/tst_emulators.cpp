// The logger and modem emulators where the windows' tests do not reach them: the limits the
// logger keeps, the forms it refuses, its counted blocks and bare letters, its memory and
// schedule; the modem's result codes and every way a call ends. What every command answers is
// asserted through the windows.
#include "sim/ModemEmulator.h"
#include "support/EmulatorRig.h"

#include <QRegularExpression>
#include <QTest>

using namespace korvelan;
using namespace korvelan::sim;
using namespace std::chrono;
using test::SimRig;

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

class EmulatorsTest : public QObject
{
    Q_OBJECT
private slots:
    void limitsAreKept_data();
    void limitsAreKept();
    void countedBlocksHoldValuesAtFixedPlaces_data();
    void countedBlocksHoldValuesAtFixedPlaces();
    void bareLetterIsToldByTheIdleGap_data();
    void bareLetterIsToldByTheIdleGap();
    void downloadRange_data();
    void downloadRange();
    void readingsFollowChannelKinds();
    void acquisitionsFollowTheSchedule();
    void badInputIsHarmless_data();
    void badInputIsHarmless();
    void parametersOnlyInTheTablesForms_data();
    void parametersOnlyInTheTablesForms();
    void newCommandCutsAnOldReplyShort();
    void replyFaultTouchesOneField_data();
    void replyFaultTouchesOneField();
    void commandsAnswerWithResultCodes_data();
    void commandsAnswerWithResultCodes();
    void dialResults_data();
    void dialResults();
    void poolSharesOneNetwork();
};

void EmulatorsTest::limitsAreKept_data()
{
    QTest::addColumn<QStringList>("exchange"); // write, its parameters, read, its parameters
    QTest::addColumn<QStringList>("fields");
    // The demo logger, its clock at 5 December 2026 14:07:09.
    const struct
    {
        const char* tag;
        QStringList exchange;
        QStringList fields;
    } rows[] = {
        {"long name is cut", {"q", "ABCDEFGHIJKL,", "Q", ""}, {"ABCDEFGHIJ"}},
        {"impossible date kept out", {"g", "31,2, 125,14,05,", "G", ","}, {"05", "12", "2026"}},
        {"clock runs from what g set", {"g", "31,12, 126,23,59,", "G", ","}, {"01", "01", "2027"}},
        {"pre-heating above the limit", {"e", "30001,", "E", ","}, {"30000"}},
        {"count 17 refused", {"h", "0, 17,", "H", " 0,"}, {" 4"}},
        {"multiplexer with no channel", {"", "", "H", " 3,"}, {" 0"}},
    };
    for (const auto& r : rows)
        QTest::newRow(r.tag) << r.exchange << r.fields;
}

void EmulatorsTest::limitsAreKept()
{
    QFETCH(QStringList, exchange);
    QFETCH(QStringList, fields);
    SimRig rig;
    if (!exchange[0].isEmpty())
        rig.send(exchange[0], exchange[1]);
    rig.pass(seconds(61));
    QCOMPARE(rig.exchange(exchange[2], exchange[3], int(fields.size())), fields);
}

void EmulatorsTest::countedBlocksHoldValuesAtFixedPlaces_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("block"); // a pattern
    QTest::newRow("H count") << "H" << 3 << "  4";
    QTest::newRow("H then one field per channel") << "H" << 20 << "  4,  0,  1,  2,  3,";
    QTest::newRow("M") << "M" << 12 << " 8000, 8000,";
    QTest::newRow("T temperature") << "T" << 3 << "[ -]?\\d{1,2},";
}

void EmulatorsTest::countedBlocksHoldValuesAtFixedPlaces()
{
    // At 9600 baud the reader stops at its count: a block must end there, or its tail would
    // run into the next reply. (The blocks Retry shows are asserted through the window.)
    QFETCH(QString, letter);
    QFETCH(int, count);
    QFETCH(QString, block);
    SimRig rig;
    rig.logger.setPace(Pace::Baud9600);
    const QString got = rig.transport.Invia_Attendi(letter, static_cast<int16_t>(count));
    QVERIFY2(QRegularExpression("^" + block + "$").match(got).hasMatch(), qPrintable(got));
    QVERIFY(!rig.transport.timedOut());
    rig.pass(milliseconds(500));
    QCOMPARE(rig.exchange("O", "", 1), QStringList{"1"});
}

void EmulatorsTest::bareLetterIsToldByTheIdleGap_data()
{
    QTest::addColumn<int>("commaAfterMs");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray row = "05,12,2026,14,07,";
    QTest::newRow("together") << 0 << row;
    QTest::newRow("just inside the gap") << 59 << row;
    QTest::newRow("after the gap") << 60 << QByteArray("005,012,026,014,007");
}

void EmulatorsTest::bareLetterIsToldByTheIdleGap()
{
    QFETCH(int, commaAfterMs);
    QFETCH(QByteArray, reply);
    const TimePoint t0{hours(1)};
    LoggerEmulator logger(t0, test::rigWallClock());
    logger.receive("G", t0);
    logger.receive(",", t0 + milliseconds(commaAfterMs));
    // A bare letter is answered after the gap and the logger's thinking time, no sooner.
    const Duration gap = commaAfterMs >= 60 ? duration_cast<Duration>(CommandReader::kBareGap)
                                            : duration_cast<Duration>(milliseconds(commaAfterMs));
    const TimePoint due = t0 + gap + LoggerEmulator::kReplyDelay;
    QCOMPARE(logger.take(due - microseconds(1)), QByteArray());
    QCOMPARE(logger.take(t0 + seconds(1)), reply);
}

void EmulatorsTest::downloadRange_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QByteArray>("stream");
    // The first and last second of a day are in it, the seconds around it are not.
    // clang-format off
    QTest::newRow("one day") << QStringList{"2,5,12,126,0,0,0,", "3,5,12,126,23,59,59,", "1,"} << QByteArray( "05/12/2026 00:00:00,2\r\n05/12/2026 23:59:59,3\r\n\x03");
    QTest::newRow("start after end") << QStringList{"2,6,12,126,0,0,0,", "3,5,12,126,23,59,59,", "1,"} << QByteArray("\x03");
    QTest::newRow("range never set") << QStringList{"1,"} << QByteArray("\x03");
    // clang-format on
}

void EmulatorsTest::downloadRange()
{
    QFETCH(QStringList, commands);
    QFETCH(QByteArray, stream);
    SimRig rig;
    rig.logger.setMemoryLines({"30/11/2026 23:59:59,1", "05/12/2026 00:00:00,2",
                               "05/12/2026 23:59:59,3", "06/12/2026 00:00:00,4"});
    for (const auto& c : commands)
        rig.send("A", c);
    rig.pass(seconds(1));
    QCOMPARE(rig.channel.readAll(), stream);
}

void EmulatorsTest::readingsFollowChannelKinds()
{
    // Multiplexer 1 of the demo is analog: its first channel goes through its calibration
    // (2.5 V full scale is 350 units), the second has the factory one (2.5 V is 100), both
    // within the 0.05 V the readings drift by, so that a continuous reading moves.
    SimRig rig;
    const QStringList analog = rig.exchange("P", "1,0,", 4);
    QCOMPARE(analog.at(2), " 1");
    QVERIFY(std::abs(analog.at(1).toDouble() - 1.0 / 2.5 * 350) < 0.05 / 2.5 * 350);
    QVERIFY(std::abs(analog.at(3).toDouble() - 1.15 / 2.5 * 100) < 0.05 / 2.5 * 100);
    rig.pass(seconds(5));
    const QStringList later = rig.exchange("P", "1,0,", 4);
    QVERIFY(later.at(1) != analog.at(1) && later.at(3) != analog.at(3));
}

void EmulatorsTest::acquisitionsFollowTheSchedule()
{
    SimRig rig;
    rig.logger.setMemoryCapacity(100);
    rig.send("c", "000,001,000,");
    rig.send("y", "1,1,100,00,00,"); // a start date in the past: at once, then every minute
    rig.pass(minutes(10) + seconds(30));
    QCOMPARE(rig.exchange("M", ",", 2), QStringList({"  100", "   89"}));
    const QStringList lines = rig.logger.memoryLines();
    QVERIFY(lines.front().startsWith("05/12/2026 14:07:"));
    QCOMPARE(lines.front().count(','), 7); // one value per active channel (4 + 2), the battery

    // Switched off, nothing; a start date to come holds acquisitions back until it is reached.
    rig.send("o", "0,");
    rig.pass(minutes(10));
    rig.send("y", "5,12, 126,15,00,");
    rig.send("o", "1,");
    rig.pass(minutes(20));
    rig.logger.advanceTo(rig.now());
    QCOMPARE(rig.logger.memoryLines().size(), 11);
    rig.pass(minutes(20));
    rig.logger.advanceTo(rig.now());
    QVERIFY(rig.logger.memoryLines().at(11).startsWith("05/12/2026 15:00:00,"));

    // Years away fill the memory and no more.
    rig.pass(hours(24 * 365 * 3));
    QCOMPARE(rig.exchange("M", ",", 2), QStringList({"  100", "    0"}));
}

void EmulatorsTest::badInputIsHarmless_data()
{
    QTest::addColumn<QByteArray>("noise");
    QTest::newRow("unknown letters and digits") << QByteArray("Zv9#~ \t,,,");
    QTest::newRow("half a command") << QByteArray("r 5,NAME,1");
    QTest::newRow("control bytes") << QByteArray("\x00\x01\x03\xff\x80", 5);
    QTest::newRow("numbers out of range") << QByteArray("h99999999999,-5,J 999,R-1,]70,/-3,");
    QTest::newRow("huge date fields") << QByteArray("g99,99,99999,99,99,A2,0,0,0,0,0,0,A1,");
}

void EmulatorsTest::badInputIsHarmless()
{
    QFETCH(QByteArray, noise);
    SimRig rig;
    rig.channel.write(noise);
    // Whatever the noise left half read is given up; the logger answers the next command.
    rig.pass(CommandReader::kAbandonAfter + milliseconds(100));
    rig.channel.discardInput();
    QVERIFY(!rig.logger.protocolErrors().isEmpty());
    rig.logger.clearProtocolErrors();
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"SITE1     "});
    QCOMPARE(rig.exchange("H", " 0,", 1), QStringList{" 4"});
}

void EmulatorsTest::parametersOnlyInTheTablesForms_data()
{
    QTest::addColumn<QByteArray>("sent"); // each character 15 ms apart
    QTest::addColumn<bool>("taken");
    QTest::newRow("count write, blank before the multiplexer") << QByteArray("h 0, 8,") << false;
    QTest::newRow("count write, count without its blank") << QByteArray("h0,8,") << false;
    QTest::newRow("timer not padded") << QByteArray("c1,30,0,") << false;
    QTest::newRow("timer with letters") << QByteArray("cab,030,000,") << false;
    QTest::newRow("pre-heating empty") << QByteArray("e,") << false;
    QTest::newRow("clock, year without its blank") << QByteArray("g7,3,125,14,05,") << false;
    QTest::newRow("clock, empty hours") << QByteArray("g7,3, 125,,05,") << false;
    QTest::newRow("alert read without the blank") << QByteArray("J5,") << false;
    QTest::newRow("switch with a blank") << QByteArray("o 1,") << false;
    QTest::newRow("range start at noon") << QByteArray("A2,5,12,126,12,0,0,") << false;
    QTest::newRow("read with a parameter it has not") << QByteArray("D 1,") << false;
    QTest::newRow("a field too many") << QByteArray("u1,5,") << false;
    // "[" is a channel's vibrating-wire flag with the channel's blank, the filter without.
    QTest::newRow("vibrating-wire flag") << QByteArray("[ 5,1,") << true;
    QTest::newRow("vibrating-wire flag with a blank") << QByteArray("[ 5, 1,") << false;
    QTest::newRow("filter") << QByteArray("[3,25,") << true;
    // The SMS switches write their flags plain, the SMS write with the blank.
    QTest::newRow("SMS flags plain") << QByteArray("i,,,,,,,,,,0,1,1,") << true;
    QTest::newRow("SMS flag of 2") << QByteArray("i,,,,,,,,,,0, 1,2,") << false;
}

void EmulatorsTest::parametersOnlyInTheTablesForms()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, taken);
    SimRig rig;
    for (const char c : sent) {
        rig.channel.write(QByteArray(1, c));
        rig.pass(milliseconds(15));
    }
    rig.pass(CommandReader::kAbandonAfter + milliseconds(100));
    QCOMPARE(rig.logger.protocolErrors().isEmpty(), taken);
    // Refused, not carried out: the channel counts, for one, stay as they were.
    QCOMPARE(rig.logger.channelCount(0), 4);
    rig.logger.clearProtocolErrors();
}

void EmulatorsTest::newCommandCutsAnOldReplyShort()
{
    // The program reads one field of "D" and moves on; the rest must not reach the next reply.
    SimRig rig;
    rig.logger.setPace(Pace::Baud9600);
    QCOMPARE(rig.exchange("D", ",", 1), QStringList{" 0"});
    QCOMPARE(rig.exchange("U", "", 1), QStringList{"0"});
    QCOMPARE(rig.exchange("O", "", 1), QStringList{"1"});
}

void EmulatorsTest::replyFaultTouchesOneField_data()
{
    using Kind = LoggerEmulator::ReplyFault::Kind;
    QTest::addColumn<int>("kind");
    QTest::addColumn<char>("letter");
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("field");
    QTest::addColumn<QStringList>("replies"); // "O" then "G," then "G,", three fields each
    QTest::addColumn<bool>("done");
    const QStringList clock{"05", "12", "2026"};
    const QStringList on{"1", "%%", "%%"};
    const QString noise = QStringLiteral("#?\x7f");
    // clang-format off
    QTest::newRow("garbled") << int(Kind::Garbled) << 'G' << 1 << 1 << (on + QStringList{"05", noise, "2026"} + clock) << true;
    QTest::newRow("any letter") << int(Kind::Garbled) << '\0' << 1 << 0 << (QStringList{noise, "%%", "%%"} + clock + clock) << true;
    QTest::newRow("second reply") << int(Kind::Garbled) << 'G' << 2 << 2 << (on + clock + QStringList{"05", "12", noise}) << true;
    // The reply stops: that field and the ones after it never come.
    QTest::newRow("silent") << int(Kind::Silent) << 'G' << 1 << 1 << (on + QStringList{"05", "%%", "%%"} + clock) << true;
    QTest::newRow("no such field") << int(Kind::Garbled) << 'O' << 1 << 1 << (on + clock + clock) << false;
    // clang-format on
}

void EmulatorsTest::replyFaultTouchesOneField()
{
    QFETCH(int, kind);
    QFETCH(char, letter);
    QFETCH(int, reply);
    QFETCH(int, field);
    QFETCH(QStringList, replies);
    QFETCH(bool, done);
    SimRig rig;
    rig.logger.setReplyFault({LoggerEmulator::ReplyFault::Kind(kind), letter, reply, field});
    QStringList got = rig.exchange("O", "", 3);
    got += rig.exchange("G", ",", 3);
    got += rig.exchange("G", ",", 3);
    QCOMPARE(got, replies);
    QCOMPARE(rig.logger.replyFaultDone(), done);
}

void EmulatorsTest::commandsAnswerWithResultCodes_data()
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

void EmulatorsTest::commandsAnswerWithResultCodes()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    ModemRig rig;
    rig.tell("ATE0\r");
    QCOMPARE(rig.tell(command), reply);
}

void EmulatorsTest::dialResults_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QByteArray>("key"); // pressed while dialling
    QTest::addColumn<QString>("result");
    // A comma in the number is a pause, as the window's "Download and Go" dials.
    // clang-format off
    QTest::newRow("pause") << "0,212345" << QByteArray() << "\r\nCONNECT 9600\r\n";
    QTest::newRow("spaces in the number") << "0399 887766" << QByteArray() << "\r\nCONNECT 9600\r\n";
    QTest::newRow("busy") << "5550000" << QByteArray() << "\r\nBUSY\r\n";
    QTest::newRow("rings out") << "5559999" << QByteArray() << "\r\nNO CARRIER\r\n";
    QTest::newRow("nobody there") << "123" << QByteArray() << "\r\nNO CARRIER\r\n";
    QTest::newRow("a key abandons it") << "0212345" << QByteArray("x") << "\r\nNO CARRIER\r\n";
    // A terminal that ends its lines with CR LF has not pressed a key with the LF.
    QTest::newRow("the LF of CR LF") << "0212345" << QByteArray("\n") << "\r\nCONNECT 9600\r\n";
    // clang-format on
}

void EmulatorsTest::dialResults()
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

void EmulatorsTest::poolSharesOneNetwork()
{
    // Two modems of a pool on one network: a station in a call is busy to the other, and one
    // busy for its first calls answers after them.
    ModemRig rig;
    PhoneNetwork& network = rig.modem.network();
    network.busyFirstCalls("0399887766", 2);
    rig.prepare();
    rig.channel.write(toWire("ATD0212345\r"));
    QCOMPARE(rig.poll(), "\r\nCONNECT 9600\r\n");
    using A = PhoneNetwork::Answer;
    QList<A> answers;
    for (int call = 0; call < 3; ++call)
        answers << network.place("0399887766").answer;
    answers << network.place("0212345").answer;
    rig.modem.portClosed(rig.now()); // the first modem hangs up
    answers << network.place("0212345").answer;
    QCOMPARE(answers, QList<A>({A::Busy, A::Busy, A::Connects, A::Busy, A::Connects}));
}

QTEST_GUILESS_MAIN(EmulatorsTest)
#include "tst_emulators.moc"
