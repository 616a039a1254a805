// The logger emulator as the program meets it: through the transport routines, over an
// in-memory line and a virtual clock; the faults it injects on demand and its record of
// the line.
#include "link/NumberForms.h"
#include "support/EmulatorRig.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace korvelan::sim;
using namespace std::chrono;
using test::SimRig;

namespace {

// What the logger sends until ETX, a pause or the line's end.
QByteArray stream(SimRig& rig)
{
    QByteArray got;
    while (!got.endsWith('\x03') && rig.channel.isOpen()) {
        rig.transport.waitForInput(rig.now() + seconds(5));
        const QByteArray part = rig.channel.readAll();
        if (part.isEmpty())
            break;
        got += part;
    }
    return got;
}

} // namespace

class LoggerTest : public QObject
{
    Q_OBJECT
private slots:
    void readsAndWritesReadBack_data();
    void readsAndWritesReadBack();
    void smsTextsWrittenLineByLine();
    void countedBlocksHoldValuesAtFixedPlaces_data();
    void countedBlocksHoldValuesAtFixedPlaces();
    void bareLetterIsToldByTheIdleGap_data();
    void bareLetterIsToldByTheIdleGap();
    void download_data();
    void download();
    void readingsFollowChannelKinds();
    void continuousRunIsMarked();
    void acquisitionsFollowTheSchedule();
    void longAbsenceFillsTheMemoryAndNoMore();
    void eraseAndReset();
    void clockRunsFromWhatGSet();
    void badInputIsHarmless_data();
    void badInputIsHarmless();
    void parametersOnlyInTheTablesForms_data();
    void parametersOnlyInTheTablesForms();
    void silenceFromTheNthCommand();
    void garbageLandsInOneReply();
    void lineDropsInTheMiddleOfAReply();
    void realPaceSpacesTheCharacters();
    void strictModeRecordsCrowdedParameters_data();
    void strictModeRecordsCrowdedParameters();
    void newCommandCutsAnOldReplyShort();
    void traceHoldsBothDirectionsWithTimes();
};

void LoggerTest::readsAndWritesReadBack_data()
{
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("readParameters");
    QTest::addColumn<QStringList>("fields");
    // The demo logger, its clock at 5 December 2026 14:07:09.
    QTest::newRow("G clock") << ""
                             << ""
                             << "G"
                             << "," << QStringList{"05", "12", "2026", "14", "07"};
    QTest::newRow("H blank form") << ""
                                  << ""
                                  << "H"
                                  << " 0," << QStringList{" 4"};
    QTest::newRow("H mux with no channel") << ""
                                           << ""
                                           << "H"
                                           << " 3," << QStringList{" 0"};
    QTest::newRow("Q name padded") << ""
                                   << ""
                                   << "Q"
                                   << "" << QStringList{"SITE1     "};
    QTest::newRow("U alone") << ""
                             << ""
                             << "U"
                             << "" << QStringList{"0"};
    QTest::newRow("M memory") << ""
                              << ""
                              << "M"
                              << "," << QStringList{" 8000", " 8000"};
    QTest::newRow("W voltages") << ""
                                << ""
                                << "W"
                                << "" << QStringList{" 5.02", " 3.31", " 12.64"};
    QTest::newRow("/ virtual in use") << ""
                                      << ""
                                      << "/"
                                      << " 2," << QStringList{" 1"};
    QTest::newRow("] analog") << ""
                              << ""
                              << "]"
                              << " 16," << QStringList{" 0"};
    QTest::newRow("q name") << "q"
                            << "PIEZO-03,"
                            << "Q"
                            << "" << QStringList{"PIEZO-03  "};
    QTest::newRow("q long name is cut") << "q"
                                        << "ABCDEFGHIJKL,"
                                        << "Q"
                                        << "" << QStringList{"ABCDEFGHIJ"};
    QTest::newRow("g clock") << "g"
                             << "7,3, 125,14,05,"
                             << "G"
                             << "," << QStringList{"07", "03", "2025", "14", "05"};
    QTest::newRow("g impossible date kept out")
        << "g"
        << "31,2, 125,14,05,"
        << "G"
        << "," << QStringList{"05", "12", "2026", "14", "07"};
    QTest::newRow("c timer") << "c"
                             << "001,030,000,"
                             << "C"
                             << "," << QStringList{"001", "030", "000"};
    QTest::newRow("e pre-heating") << "e"
                                   << "30000,"
                                   << "E"
                                   << "," << QStringList{"30000"};
    QTest::newRow("e above the limit") << "e"
                                       << "30001,"
                                       << "E"
                                       << "," << QStringList{"30000"};
    QTest::newRow("y start date") << "y"
                                  << "1,1,100,00,00,"
                                  << "Y"
                                  << "," << QStringList{"01", "01", "2000", "00", "00", "00"};
    QTest::newRow("o off") << "o"
                           << "0,"
                           << "O"
                           << "" << QStringList{"0"};
    QTest::newRow("h count") << "h"
                             << "1, 16,"
                             << "H"
                             << " 1," << QStringList{" 16"};
    QTest::newRow("h count 17 refused") << "h"
                                        << "0, 17,"
                                        << "H"
                                        << " 0," << QStringList{" 4"};
    QTest::newRow("i sms") << "i"
                           << "A,B,,,,,,,,,2, 1, 0,"
                           << "I"
                           << ""
                           << QStringList{"A", "B", "", "", "", "", "", "", "", "", "2", "1", "0"};
    QTest::newRow("f phone") << "f"
                             << "0212345, 1,"
                             << "F"
                             << "" << QStringList{"0212345", "1"};
    QTest::newRow("k gprs") << "k"
                            << "u,p,apn,srv,fu,fp,/d,2121,5,1,"
                            << "K"
                            << "" << QStringList{"u",  "p",  "apn",  "srv", "fu",
                                                 "fp", "/d", "2121", "5",   "1"};
    QTest::newRow("j alert") << "j"
                             << " 2,1,12.5,3,"
                             << "J"
                             << " 2," << QStringList{" 1", " 12.5", " 3"};
    QTest::newRow("( warning") << "("
                               << " 2,9.5,-4,"
                               << ")"
                               << " 2," << QStringList{" 0", " 9.5", "-4"};
    QTest::newRow("r calibration") << "r"
                                   << " 5,LEVEL,0.1,2.4,-10,90,"
                                   << "R"
                                   << " 5," << QStringList{"LEVEL", " 0.1", " 2.4", "-10", " 90"};
    QTest::newRow("[ vibrating wire on") << "["
                                         << " 9,1,"
                                         << "]"
                                         << " 9," << QStringList{" 1"};
    QTest::newRow("[ filter") << "["
                              << "3,25,"
                              << "]"
                              << "" << QStringList{" 3", " 25"};
    QTest::newRow("< rule") << "<"
                            << "2,3,1,600,"
                            << ">"
                            << "" << QStringList{" 2", " 3", "1", " 600"};
    QTest::newRow("> pulses") << ">"
                              << "0.5,"
                              << "<"
                              << "" << QStringList{" 0.5"};
    QTest::newRow("u counter on") << "u"
                                  << "1,"
                                  << "U"
                                  << "," << QStringList{"1"};
}

void LoggerTest::readsAndWritesReadBack()
{
    QFETCH(QString, write);
    QFETCH(QString, parameters);
    QFETCH(QString, read);
    QFETCH(QString, readParameters);
    QFETCH(QStringList, fields);
    SimRig rig;
    if (!write.isEmpty())
        rig.send(write, parameters);
    rig.pass(milliseconds(500));
    QCOMPARE(rig.channel.bytesWaiting(), 0);
    QCOMPARE(rig.exchange(read, readParameters, fields.size()), fields);
    // Nothing follows the row.
    QCOMPARE(rig.transport.Leggi_Campo(), Transport::kNoAnswer);
}

void LoggerTest::smsTextsWrittenLineByLine()
{
    // The alarm window sends "x", then each line as one block with its comma paced after it.
    SimRig rig;
    rig.send("x");
    const QStringList lines{"W1", "W2", "",   "W4", "W5",
                            "A1", "A2", "A3", "A4", "ALERT LINE OF 25 CHARS!!"};
    for (const auto& line : lines) {
        rig.send(line, ",");
        rig.pass(milliseconds(100));
    }
    rig.send("X");
    QCOMPARE(rig.exchange("X", "", 10), lines);
}

void LoggerTest::countedBlocksHoldValuesAtFixedPlaces_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("block"); // a pattern
    QTest::newRow("G") << "G" << 19 << "005,012,026,014,007";
    QTest::newRow("C") << "C" << 12 << "000,030,000,";
    QTest::newRow("E") << "E" << 5 << "00250";
    QTest::newRow("H count") << "H" << 3 << "  4";
    QTest::newRow("H then one field per channel") << "H" << 20 << "  4,  0,  1,  2,  3,";
    QTest::newRow("Q") << "Q" << 5 << "SITE1";
    QTest::newRow("N next acquisition") << "N" << 20 << "005,012,026,014,037,";
    QTest::newRow("M") << "M" << 12 << " 8000, 8000,";
    QTest::newRow("T temperature") << "T" << 3 << "[ -]?\\d{1,2},";
}

void LoggerTest::countedBlocksHoldValuesAtFixedPlaces()
{
    // At 9600 baud the reader stops at its count: a block must end there, or its tail would
    // run into the next reply.
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

void LoggerTest::bareLetterIsToldByTheIdleGap_data()
{
    QTest::addColumn<int>("commaAfterMs");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray row = "05,12,2026,14,07,";
    const QByteArray block = "005,012,026,014,007";
    QTest::newRow("together") << 0 << row;
    QTest::newRow("just inside the gap") << 59 << row;
    QTest::newRow("after the gap") << 60 << block;
}

void LoggerTest::bareLetterIsToldByTheIdleGap()
{
    QFETCH(int, commaAfterMs);
    QFETCH(QByteArray, reply);
    const TimePoint t0{hours(1)};
    LoggerEmulator logger(t0, test::rigWallClock());
    logger.receive("G", t0);
    logger.receive(",", t0 + milliseconds(commaAfterMs));
    // A bare letter is answered after the gap and the logger's thinking time, no sooner.
    const bool bare = commaAfterMs >= 60;
    const TimePoint due = t0 +
                          (bare ? duration_cast<Duration>(CommandReader::kBareGap)
                                : duration_cast<Duration>(milliseconds(commaAfterMs))) +
                          LoggerEmulator::kReplyDelay;
    QCOMPARE(logger.take(due - microseconds(1)), QByteArray());
    QCOMPARE(logger.take(t0 + seconds(1)), reply);
}

void LoggerTest::download_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QStringList>("lines");
    const QStringList all{"30/11/2026 23:59:59,1", "05/12/2026 00:00:00,2", "05/12/2026 23:59:59,3",
                          "06/12/2026 00:00:00,4"};
    QTest::newRow("one day") << QStringList{"2,5,12,126,0,0,0,", "3,5,12,126,23,59,59,", "1,"}
                             << all.mid(1, 2);
    QTest::newRow("start after end")
        << QStringList{"2,6,12,126,0,0,0,", "3,5,12,126,23,59,59,", "1,"} << QStringList{};
    QTest::newRow("range never set") << QStringList{"1,"} << QStringList{};
}

void LoggerTest::download()
{
    QFETCH(QStringList, commands);
    QFETCH(QStringList, lines);
    SimRig rig;
    rig.logger.setMemoryLines({"30/11/2026 23:59:59,1", "05/12/2026 00:00:00,2",
                               "05/12/2026 23:59:59,3", "06/12/2026 00:00:00,4"});
    for (const auto& c : commands)
        rig.send("A", c);
    QCOMPARE(stream(rig),
             (lines.join("\r\n") + (lines.isEmpty() ? "" : "\r\n") + '\x03').toLatin1());
}

void LoggerTest::readingsFollowChannelKinds()
{
    SimRig rig;
    rig.logger.setFixedTemperature(2, 80.1);
    // Multiplexer 0 of the demo: four vibrating-wire channels.
    const QStringList vw = rig.exchange("p", " 0,", 8);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(vw.at(2 * i), QStringLiteral(" %1").arg(i));
        const double hz = vw.at(2 * i + 1).toDouble();
        QVERIFY2(hz >= 2000 && hz <= 3200, qPrintable(vw.at(2 * i + 1)));
    }
    QCOMPARE(rig.transport.Leggi_Campo(), Transport::kNoAnswer);

    // Multiplexer 1 is analog: its first channel goes through its calibration (2.5 V full
    // scale is 350 units), the second has the factory one (2.5 V is 100).
    rig.logger.setFixedReading(0, 2512.5);
    QCOMPARE(rig.exchange("P", "0,0,", 2).at(1), " 2512.500");
    const QStringList analog = rig.exchange("P", "1,0,", 4);
    QCOMPARE(analog.at(2), " 1");
    // Both within the 0.05 V the readings drift by, so that a continuous reading moves.
    const double volts16 = 0.4 + 0.15 * 4;
    const double volts17 = 0.4 + 0.15 * 5;
    QVERIFY(std::abs(analog.at(1).toDouble() - volts16 / 2.5 * 350) < 0.05 / 2.5 * 350);
    QVERIFY(std::abs(analog.at(3).toDouble() - volts17 / 2.5 * 100) < 0.05 / 2.5 * 100);
    rig.pass(seconds(5));
    const QStringList later = rig.exchange("P", "1,0,", 4);
    QVERIFY(later.at(1) != analog.at(1) && later.at(3) != analog.at(3));

    const QStringList temps = rig.exchange("t", " 0,", 10);
    QCOMPARE(temps.at(5), " 80.1");
    for (int i : {0, 1, 3, 4})
        QVERIFY(temps.at(2 * i + 1).toDouble() > -30 && temps.at(2 * i + 1).toDouble() < 80);
}

void LoggerTest::continuousRunIsMarked()
{
    SimRig rig;
    rig.send("P", "0,1,");
    rig.pass(milliseconds(100));
    QVERIFY(rig.logger.continuousRun());
    // Each channel takes its reading time: the fields come out one channel at a time.
    const TimePoint asked = rig.now();
    rig.exchange("P", "0,0,", 7);
    rig.transport.Leggi_Campo();
    QVERIFY(rig.now() - asked >= LoggerEmulator::kReadingTime * 4);
    QCOMPARE(rig.exchange("P", "1,0,", 4).size(), 4);
    rig.send("P", "0,2,");
    rig.pass(milliseconds(100));
    QVERIFY(!rig.logger.continuousRun());
}

void LoggerTest::acquisitionsFollowTheSchedule()
{
    SimRig rig;
    rig.send("c", "000,001,000,");
    rig.send("y", "1,1,100,00,00,"); // a start date in the past: at once, then every minute
    rig.pass(minutes(10) + seconds(30));
    QCOMPARE(rig.exchange("M", ",", 2), QStringList({" 8000", " 7989"}));
    const QStringList lines = rig.logger.memoryLines();
    QCOMPARE(lines.size(), 11);
    QVERIFY(lines.front().startsWith("05/12/2026 14:07:"));
    // One value per active channel (4 + 2) and the battery.
    QCOMPARE(lines.front().count(','), 7);

    rig.send("o", "0,");
    rig.pass(minutes(10));
    rig.logger.advanceTo(rig.now());
    QCOMPARE(rig.logger.memoryLines().size(), 11);

    // A start date to come holds acquisitions back until it is reached.
    rig.send("y", "5,12, 126,15,00,");
    rig.send("o", "1,");
    rig.pass(minutes(20));
    rig.logger.advanceTo(rig.now());
    QCOMPARE(rig.logger.memoryLines().size(), 11);
    rig.pass(minutes(20));
    rig.logger.advanceTo(rig.now());
    QVERIFY(rig.logger.memoryLines().at(11).startsWith("05/12/2026 15:00:00,"));
}

void LoggerTest::longAbsenceFillsTheMemoryAndNoMore()
{
    SimRig rig;
    rig.logger.setMemoryCapacity(100);
    rig.send("c", "000,001,000,");
    rig.send("o", "1,");
    rig.pass(hours(24 * 365 * 3));
    QCOMPARE(rig.exchange("M", ",", 2), QStringList({"  100", "    0"}));
    QCOMPARE(rig.logger.memoryLines().size(), 100);
}

void LoggerTest::eraseAndReset()
{
    SimRig rig;
    rig.logger.fillMemory(30);
    QCOMPARE(rig.exchange("M", ",", 2), QStringList({" 8000", " 7970"}));
    rig.send("b", ",");
    rig.pass(milliseconds(200));
    QCOMPARE(rig.exchange("M", ",", 2), QStringList({" 8000", " 8000"}));

    rig.logger.fillMemory(5);
    rig.send("b"); // the letter alone erases too
    rig.pass(milliseconds(200));
    rig.logger.advanceTo(rig.now());
    QVERIFY(rig.logger.memoryLines().isEmpty());

    rig.logger.fillMemory(5);
    rig.send("z");
    rig.pass(milliseconds(200));
    rig.logger.advanceTo(rig.now());
    QVERIFY(rig.logger.memoryLines().isEmpty());
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"LOGGER    "});
    QCOMPARE(rig.exchange("H", " 1,", 1), QStringList{" 0"});
    // The clock keeps its time through a reset.
    QCOMPARE(rig.exchange("G", ",", 3), QStringList({"05", "12", "2026"}));
}

void LoggerTest::clockRunsFromWhatGSet()
{
    SimRig rig;
    rig.send("g", "31,12, 126,23,59,");
    rig.pass(seconds(61));
    QCOMPARE(rig.exchange("G", ",", 5), QStringList({"01", "01", "2027", "00", "00"}));
    QCOMPARE(rig.logger.clockAt(rig.now()).date(), QDate(2027, 1, 1));
}

void LoggerTest::badInputIsHarmless_data()
{
    QTest::addColumn<QByteArray>("noise");
    QTest::newRow("unknown letters and digits") << QByteArray("Zv9#~ \t,,,");
    QTest::newRow("half a command") << QByteArray("r 5,NAME,1");
    QTest::newRow("control bytes") << QByteArray("\x00\x01\x03\xff\x80", 5);
    QTest::newRow("numbers out of range") << QByteArray("h99999999999,-5,J 999,R-1,]70,/-3,");
    QTest::newRow("huge date fields") << QByteArray("g99,99,99999,99,99,A2,0,0,0,0,0,0,A1,");
}

void LoggerTest::badInputIsHarmless()
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

void LoggerTest::parametersOnlyInTheTablesForms_data()
{
    QTest::addColumn<QByteArray>("sent"); // each character 15 ms apart
    QTest::addColumn<bool>("taken");
    QTest::newRow("count write") << QByteArray("h0, 8,") << true;
    QTest::newRow("count write, blank before the multiplexer") << QByteArray("h 0, 8,") << false;
    QTest::newRow("count write, count without its blank") << QByteArray("h0,8,") << false;
    QTest::newRow("timer zero-padded") << QByteArray("c001,030,000,") << true;
    QTest::newRow("timer not padded") << QByteArray("c1,30,0,") << false;
    QTest::newRow("timer with letters") << QByteArray("cab,030,000,") << false;
    QTest::newRow("pre-heating of five digits") << QByteArray("e00250,") << true;
    QTest::newRow("pre-heating empty") << QByteArray("e,") << false;
    QTest::newRow("clock") << QByteArray("g7,3, 125,14,05,") << true;
    QTest::newRow("clock, year without its blank") << QByteArray("g7,3,125,14,05,") << false;
    QTest::newRow("clock, empty hours") << QByteArray("g7,3, 125,,05,") << false;
    QTest::newRow("start date at once") << QByteArray("y1,1,100,00,00,") << true;
    QTest::newRow("alert read") << QByteArray("J 5,") << true;
    QTest::newRow("alert read without the blank") << QByteArray("J5,") << false;
    QTest::newRow("switch") << QByteArray("o1,") << true;
    QTest::newRow("switch with a blank") << QByteArray("o 1,") << false;
    QTest::newRow("reading") << QByteArray("P0,1,") << true;
    QTest::newRow("range start") << QByteArray("A2,5,12,126,0,0,0,") << true;
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

void LoggerTest::parametersOnlyInTheTablesForms()
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
    if (!taken) {
        // Refused, not carried out: the channel counts, for one, stay as they were.
        QCOMPARE(rig.logger.channelCount(0), 4);
        rig.logger.clearProtocolErrors();
    }
}

void LoggerTest::silenceFromTheNthCommand()
{
    SimRig rig;
    rig.logger.setSilentFrom(3);
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"SITE1     "});
    rig.send("q", "NEW,");
    const TimePoint asked = rig.now();
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{Transport::kNoAnswer});
    QCOMPARE(rig.now() - asked,
             duration_cast<Duration>(Transport::kFieldTimeLimit) + milliseconds(0));
    // The third command was not carried out either: the logger is hung.
    QCOMPARE(rig.logger.name(), "NEW");
    rig.send("q", "LATER,");
    QCOMPARE(rig.logger.name(), "NEW");
}

void LoggerTest::garbageLandsInOneReply()
{
    SimRig rig;
    rig.logger.setGarbage(2, "#?");
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"SITE1     "});
    const QStringList clock = rig.exchange("G", ",", 5);
    QCOMPARE(clock.join(','), "05,12,20#?26,14,07");
    QCOMPARE(rig.exchange("G", ",", 3), QStringList({"05", "12", "2026"}));
}

void LoggerTest::lineDropsInTheMiddleOfAReply()
{
    SimRig rig;
    QSignalSpy lost(&rig.channel, &Channel::lost);
    rig.logger.setPace(Pace::Baud9600);
    rig.logger.setDropAfterBytes(6);
    const QStringList clock = rig.exchange("G", ",", 5);
    QCOMPARE(clock, QStringList({"05", "12", Transport::kNoAnswer, Transport::kNoAnswer,
                                 Transport::kNoAnswer}));
    QCOMPARE(lost.count(), 1);
    QVERIFY(!rig.channel.isOpen());
    // The program opens the port again and finds the line back.
    QVERIFY(rig.channel.open(LineSettings{}, nullptr));
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"SITE1     "});
}

void LoggerTest::realPaceSpacesTheCharacters()
{
    SimRig rig;
    rig.logger.setPace(Pace::Baud9600);
    rig.exchange("G", ",", 5);
    std::vector<TimePoint> times;
    for (const auto& b : rig.logger.trace().bytes())
        if (b.direction == Direction::FromDevice)
            times.push_back(b.at);
    QCOMPARE(times.size(), std::size_t(17));
    for (std::size_t i = 1; i < times.size(); ++i)
        QCOMPARE(times[i] - times[i - 1], kCharTime9600);
}

void LoggerTest::strictModeRecordsCrowdedParameters_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<int>("violations");
    QTest::newRow("the program's pace") << true << 0;
    // In one piece: every parameter character is too close to the one before it.
    QTest::newRow("written at once") << false << 12;
}

void LoggerTest::strictModeRecordsCrowdedParameters()
{
    QFETCH(bool, paced);
    QFETCH(int, violations);
    SimRig rig;
    rig.logger.setStrict(true);
    if (paced)
        rig.send("c", "001,030,000,");
    else
        rig.channel.write("c001,030,000,");
    rig.pass(milliseconds(100));
    QCOMPARE(static_cast<int>(rig.logger.pacingViolations().size()), violations);
    // Strict mode only records: the command is carried out all the same.
    QCOMPARE(rig.logger.settings().timer, (AcquisitionTimer{1, 30, 0}));
}

void LoggerTest::newCommandCutsAnOldReplyShort()
{
    // The program reads one field of "D" and moves on; the rest must not reach the next reply.
    SimRig rig;
    rig.logger.setPace(Pace::Baud9600);
    QCOMPARE(rig.exchange("D", ",", 1), QStringList{" 0"});
    QCOMPARE(rig.exchange("U", "", 1), QStringList{"0"});
    QCOMPARE(rig.exchange("O", "", 1), QStringList{"1"});
}

void LoggerTest::traceHoldsBothDirectionsWithTimes()
{
    SimRig rig;
    const TimePoint start = rig.now();
    rig.exchange("G", ",", 5);
    const auto& trace = rig.logger.trace();
    QCOMPARE(trace.toDevice(), "G,");
    QCOMPARE(trace.fromDevice(), "05,12,2026,14,07,");
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.txt");
    QVERIFY(trace.writeTo(path, start));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), "   0.000000 -> G");
    QVERIFY(lines.at(1).endsWith(" -> ,"));
    QVERIFY(lines.at(2).endsWith(" <- 05,12,2026,14,07,"));
    // The reply comes the logger's thinking time after the command's last character.
    const double comma = lines.at(1).left(11).toDouble();
    QCOMPARE(qRound((lines.at(2).left(11).toDouble() - comma) * 1000), 20);
    QCOMPARE(WireTrace::escaped("A\r\n\x03<"), "A<0D><0A><03><3C>");
}

QTEST_GUILESS_MAIN(LoggerTest)
#include "tst_logger.moc"
