// The logger emulator as the program meets it: through the transport routines, over an
// in-memory line and a virtual clock.
#include "link/NumberForms.h"
#include "support/EmulatorRig.h"

#include <QRegularExpression>
#include <QTest>

using namespace korvelan;
using namespace korvelan::sim;
using namespace std::chrono;
using test::SimRig;

class LoggerTest : public QObject {
    Q_OBJECT
private slots:
    void readsAnswerWithTheirFieldRow_data();
    void readsAnswerWithTheirFieldRow();
    void writesAreSilentAndReadBack_data();
    void writesAreSilentAndReadBack();
    void smsTextsWrittenLineByLine();
    void countedBlocksHoldValuesAtFixedPlaces_data();
    void countedBlocksHoldValuesAtFixedPlaces();
    void countedBlocksAreExactAtRealPace();
    void bareLetterIsToldByTheIdleGap_data();
    void bareLetterIsToldByTheIdleGap();
    void probeIsAnswered();
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
};

void LoggerTest::readsAnswerWithTheirFieldRow_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QStringList>("fields");
    // The demo logger, its clock at 5 December 2026 14:07:09.
    QTest::newRow("G clock") << "G" << "," << QStringList{"05", "12", "2026", "14", "07"};
    QTest::newRow("C timer") << "C" << "," << QStringList{"000", "030", "000"};
    QTest::newRow("E pre-heating") << "E" << "," << QStringList{"00250"};
    QTest::newRow("Y start date") << "Y" << "," << QStringList{"01", "01", "2000", "00", "00", "00"};
    QTest::newRow("H blank form") << "H" << " 0," << QStringList{" 4"};
    QTest::newRow("H plain form") << "H" << "0," << QStringList{" 4"};
    QTest::newRow("H mux 1") << "H" << " 1," << QStringList{" 2"};
    QTest::newRow("H mux 3") << "H" << " 3," << QStringList{" 0"};
    QTest::newRow("Q name padded") << "Q" << "" << QStringList{"SITE1     "};
    QTest::newRow("O switch") << "O" << "" << QStringList{"1"};
    QTest::newRow("U alone") << "U" << "" << QStringList{"0"};
    QTest::newRow("U comma") << "U" << "," << QStringList{"0"};
    QTest::newRow("M memory") << "M" << "," << QStringList{" 8000", " 8000"};
    QTest::newRow("W voltages") << "W" << "" << QStringList{" 5.02", " 3.31", " 12.64"};
    QTest::newRow("I sms")
        << "I" << ""
        << QStringList{"+393331234567", "", "", "", "", "", "", "", "", "", "1", "1", "0"};
    QTest::newRow("F phone alarm") << "F" << "" << QStringList{"+393331234567", "0"};
    QTest::newRow("K gprs") << "K" << ""
                            << QStringList{"user",  "pass",    "internet.apn", "ftp.example.org",
                                           "site1", "secret",  "/upload",      "21",
                                           "10",    "0"};
    QTest::newRow("J alert") << "J" << " 0," << QStringList{" 1", " 3100", " 2100"};
    QTest::newRow(") warning") << ")" << " 0," << QStringList{" 1", " 3000", " 2200"};
    QTest::newRow("/ virtual in use") << "/" << " 2," << QStringList{" 1"};
    QTest::newRow("/ virtual unused") << "/" << " 9," << QStringList{" 0"};
    QTest::newRow("R calibration") << "R" << " 16,"
                                   << QStringList{"LEVEL-01", " 0", " 2.5", " 0", " 350"};
    QTest::newRow("] vibrating wire") << "]" << " 3," << QStringList{" 1"};
    QTest::newRow("] analog") << "]" << " 16," << QStringList{" 0"};
    QTest::newRow("] alone filter") << "]" << "" << QStringList{" 1", " 0"};
    QTest::newRow("< alone pulses") << "<" << "" << QStringList{" 0.2"};
    QTest::newRow("> alone rule") << ">" << "" << QStringList{" 1", " 1", "0", " 0"};
    QTest::newRow("X sms texts") << "X" << ""
                                 << QStringList{"WARNING", "SITE1", "", "", "", "ALERT", "SITE1",
                                                "", "", ""};
}

void LoggerTest::readsAnswerWithTheirFieldRow()
{
    QFETCH(QString, command);
    QFETCH(QString, parameters);
    QFETCH(QStringList, fields);
    SimRig rig;
    QCOMPARE(rig.exchange(command, parameters, fields.size()), fields);
    // Nothing follows the row.
    QCOMPARE(rig.transport.Leggi_Campo(), Transport::kNoAnswer);
}

void LoggerTest::writesAreSilentAndReadBack_data()
{
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("readParameters");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("q name") << "q" << "PIEZO-03," << "Q" << "" << QStringList{"PIEZO-03  "};
    QTest::newRow("q long name is cut") << "q" << "ABCDEFGHIJKL," << "Q" << ""
                                        << QStringList{"ABCDEFGHIJ"};
    QTest::newRow("q empty name") << "q" << "," << "Q" << "" << QStringList{"          "};
    QTest::newRow("g clock") << "g" << "7,3, 125,14,05," << "G" << ","
                             << QStringList{"07", "03", "2025", "14", "05"};
    QTest::newRow("g impossible date kept out") << "g" << "31,2, 125,14,05," << "G" << ","
                                                << QStringList{"05", "12", "2026", "14", "07"};
    QTest::newRow("c timer") << "c" << "001,030,000," << "C" << ","
                             << QStringList{"001", "030", "000"};
    QTest::newRow("e pre-heating") << "e" << "30000," << "E" << "," << QStringList{"30000"};
    QTest::newRow("e above the limit") << "e" << "30001," << "E" << "," << QStringList{"30000"};
    QTest::newRow("y start date") << "y" << "1,1,100,00,00," << "Y" << ","
                                  << QStringList{"01", "01", "2000", "00", "00", "00"};
    QTest::newRow("y future") << "y" << "24,12, 126,08,30," << "Y" << ","
                              << QStringList{"24", "12", "2026", "08", "30", "00"};
    QTest::newRow("o off") << "o" << "0," << "O" << "" << QStringList{"0"};
    QTest::newRow("h count") << "h" << "1, 16," << "H" << " 1," << QStringList{" 16"};
    QTest::newRow("h count 17 refused") << "h" << "0, 17," << "H" << " 0," << QStringList{" 4"};
    QTest::newRow("h mux 4 refused") << "h" << "4, 3," << "H" << " 3," << QStringList{" 0"};
    QTest::newRow("i sms") << "i" << "A,B,,,,,,,,,2, 1, 0," << "I" << ""
                           << QStringList{"A", "B", "", "", "", "", "", "", "", "", "2", "1", "0"};
    QTest::newRow("f phone") << "f" << "0212345, 1," << "F" << ""
                             << QStringList{"0212345", "1"};
    QTest::newRow("k gprs") << "k" << "u,p,apn,srv,fu,fp,/d,2121,5,1," << "K" << ""
                            << QStringList{"u", "p", "apn", "srv", "fu", "fp", "/d", "2121", "5", "1"};
    QTest::newRow("j alert") << "j" << " 2,1,12.5,3," << "J" << " 2,"
                             << QStringList{" 1", " 12.5", " 3"};
    QTest::newRow("( warning") << "(" << " 2,9.5,-4," << ")" << " 2,"
                               << QStringList{" 0", " 9.5", "-4"};
    QTest::newRow("r calibration") << "r" << " 5,LEVEL,0.1,2.4,-10,90," << "R" << " 5,"
                                   << QStringList{"LEVEL", " 0.1", " 2.4", "-10", " 90"};
    QTest::newRow("[ vibrating wire on") << "[" << " 9,1," << "]" << " 9," << QStringList{" 1"};
    QTest::newRow("[ vibrating wire off") << "[" << " 0,0," << "]" << " 0," << QStringList{" 0"};
    QTest::newRow("[ filter") << "[" << "3,25," << "]" << "" << QStringList{" 3", " 25"};
    QTest::newRow("< rule") << "<" << "2,3,1,600," << ">" << ""
                            << QStringList{" 2", " 3", "1", " 600"};
    QTest::newRow("> pulses") << ">" << "0.5," << "<" << "" << QStringList{" 0.5"};
    QTest::newRow("u counter on") << "u" << "1," << "U" << "," << QStringList{"1"};
}

void LoggerTest::writesAreSilentAndReadBack()
{
    QFETCH(QString, write);
    QFETCH(QString, parameters);
    QFETCH(QString, read);
    QFETCH(QString, readParameters);
    QFETCH(QStringList, fields);
    SimRig rig;
    rig.send(write, parameters);
    rig.pass(milliseconds(500));
    QCOMPARE(rig.channel.bytesWaiting(), 0);
    QCOMPARE(rig.exchange(read, readParameters, fields.size()), fields);
}

void LoggerTest::smsTextsWrittenLineByLine()
{
    // The alarm window sends "x", then each line as one block with its comma paced after it.
    SimRig rig;
    rig.send("x");
    const QStringList lines{"W1", "W2", "", "W4", "W5", "A1", "A2", "A3", "A4",
                            "ALERT LINE OF 25 CHARS!!"};
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
    QTest::addColumn<QString>("block");
    QTest::newRow("G") << "G" << 19 << "005,012,026,014,007";
    QTest::newRow("C") << "C" << 12 << "000,030,000,";
    QTest::newRow("E") << "E" << 5 << "00250";
    QTest::newRow("H count then one field per channel") << "H" << 3 << "  4,  0,  1,  2,  3,";
    QTest::newRow("Q") << "Q" << 5 << "SITE1     ,";
    QTest::newRow("N next acquisition") << "N" << 20 << "005,012,026,014,037,";
    QTest::newRow("M") << "M" << 12 << " 8000, 8000,";
}

void LoggerTest::countedBlocksHoldValuesAtFixedPlaces()
{
    QFETCH(QString, letter);
    QFETCH(int, count);
    QFETCH(QString, block);
    SimRig rig;
    QCOMPARE(rig.transport.Invia_Attendi(letter, static_cast<int16_t>(count)), block);
    QVERIFY(!rig.transport.timedOut());
}

void LoggerTest::countedBlocksAreExactAtRealPace()
{
    // At 9600 baud the reader stops at its count: a block must end there, or its tail would
    // run into the next reply. The Retry path's sequence, with its reads of fixed places.
    SimRig rig;
    rig.logger.setPace(Pace::Baud9600);
    auto& t = rig.transport;
    const QString g = t.Invia_Attendi("G", 19);
    QCOMPARE(g.size(), 19);
    QCOMPARE(g.mid(0, 3).right(2), "05");
    QCOMPARE(numbers::leadingNumber(g.mid(8, 3)) + 2000, 2026.0);
    QCOMPARE(g.mid(16, 3).right(2), "07");
    QCOMPARE(t.Invia_Attendi("C", 12), "000,030,000,");
    QCOMPARE(t.Invia_Attendi("E", 5), "00250");
    rig.pass(milliseconds(500));
    const QString h = t.Invia_Attendi("H", 3);
    const int n = static_cast<int>(numbers::leadingNumber(h));
    QCOMPARE(n, 4);
    rig.pass(milliseconds(500));
    QCOMPARE(t.Invia_Attendi("H", static_cast<int16_t>(4 * n + 4)).size(), 4 * n + 4);
    QCOMPARE(t.Invia_Attendi("Q", 5).left(5), "SITE1");
    const QString next = t.Invia_Attendi("N", 20);
    QCOMPARE(next.size(), 20);
    QCOMPARE(next.mid(1, 2) + next.mid(5, 2) + next.mid(9, 2) + next.mid(13, 2) + next.mid(17, 2),
             "0512261437");
    const QString m = t.Invia_Attendi("M", 12);
    QCOMPARE(m.mid(0, 5), " 8000");
    QCOMPARE(m.mid(6, 5), " 8000");
    const QString temperature = t.Invia_Attendi("T", 3);
    QCOMPARE(temperature.size(), 3);
    QVERIFY(QRegularExpression("^[ -]?\\d{1,2},$").match(temperature).hasMatch());
}

void LoggerTest::bareLetterIsToldByTheIdleGap_data()
{
    QTest::addColumn<int>("commaAfterMs");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray row = "05,12,2026,14,07,";
    const QByteArray block = "005,012,026,014,007";
    QTest::newRow("together") << 0 << row;
    QTest::newRow("a slow sender") << 45 << row;
    QTest::newRow("just inside the gap") << 59 << row;
    QTest::newRow("after the gap") << 60 << block;
    QTest::newRow("by hand") << 400 << block;
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
    const TimePoint due = t0 + (bare ? duration_cast<Duration>(CommandReader::kBareGap)
                                     : duration_cast<Duration>(milliseconds(commaAfterMs))) +
                          LoggerEmulator::kReplyDelay;
    QCOMPARE(logger.take(due - microseconds(1)), QByteArray());
    QCOMPARE(logger.take(t0 + seconds(1)), reply);
}

void LoggerTest::probeIsAnswered()
{
    SimRig rig;
    QCOMPARE(rig.transport.Apri_Porta(1), int16_t(1));
    QCOMPARE(rig.logger.commands().size(), 1);
    QCOMPARE(rig.logger.commands().front().letter, 'V');
}

void LoggerTest::download_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QStringList>("lines");
    const QStringList all{"30/11/2026 23:59:59,1", "01/12/2026 00:00:00,2", "05/12/2026 12:00:00,3",
                          "05/12/2026 23:59:59,4", "06/12/2026 00:00:00,5"};
    QTest::newRow("whole memory") << QStringList{"0,"} << all;
    QTest::newRow("one day") << QStringList{"2,5,12,126,0,0,0,", "3,5,12,126,23,59,59,", "1,"}
                             << all.mid(2, 2);
    QTest::newRow("across a month end")
        << QStringList{"2,30,11,126,0,0,0,", "3,1,12,126,23,59,59,", "1,"} << all.mid(0, 2);
    QTest::newRow("start after end") << QStringList{"2,6,12,126,0,0,0,", "3,5,12,126,23,59,59,", "1,"}
                                     << QStringList{};
    QTest::newRow("range never set") << QStringList{"1,"} << QStringList{};
}

void LoggerTest::download()
{
    QFETCH(QStringList, commands);
    QFETCH(QStringList, lines);
    SimRig rig;
    rig.logger.setMemoryLines({"30/11/2026 23:59:59,1", "01/12/2026 00:00:00,2",
                               "05/12/2026 12:00:00,3", "05/12/2026 23:59:59,4",
                               "06/12/2026 00:00:00,5"});
    for (const auto& c : commands)
        rig.send("A", c);
    QByteArray stream;
    while (!stream.endsWith('\x03') && rig.channel.isOpen()) {
        rig.transport.waitForInput(rig.now() + seconds(5));
        const QByteArray part = rig.channel.readAll();
        if (part.isEmpty())
            break;
        stream += part;
    }
    QByteArray expected;
    for (const auto& l : lines)
        expected += l.toLatin1() + "\r\n";
    QCOMPARE(stream, expected + '\x03');
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
    const double volts16 = 0.4 + 0.15 * 4;
    const double volts17 = 0.4 + 0.15 * 5;
    QVERIFY(std::abs(analog.at(1).toDouble() - volts16 / 2.5 * 350) < 2.0);
    QVERIFY(std::abs(analog.at(3).toDouble() - volts17 / 2.5 * 100) < 1.0);

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
    rig.send("y", "1,1,100,00,00,");  // a start date in the past: at once, then every minute
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
    rig.send("b");  // the letter alone erases too
    rig.pass(milliseconds(200));
    rig.logger.advanceTo(rig.now());
    QVERIFY(rig.logger.memoryLines().isEmpty());

    rig.logger.fillMemory(5);
    rig.send("z");
    rig.pass(milliseconds(200));
    rig.logger.advanceTo(rig.now());
    QVERIFY(rig.logger.memoryLines().isEmpty());
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"LOGGER    "});
    QCOMPARE(rig.exchange("O", "", 1), QStringList{"0"});
    QCOMPARE(rig.exchange("H", " 1,", 1), QStringList{" 0"});
    QCOMPARE(rig.exchange("J", " 0,", 3), QStringList({" 0", " 0", " 0"}));
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
    QTest::newRow("control bytes") << QByteArray("\x00\x01\x03\xff\x80", 5);
    QTest::newRow("half a command") << QByteArray("r 5,NAME,1");
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
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"SITE1     "});
    QCOMPARE(rig.exchange("H", " 0,", 1), QStringList{" 4"});
}

QTEST_GUILESS_MAIN(LoggerTest)
#include "tst_logger.moc"
