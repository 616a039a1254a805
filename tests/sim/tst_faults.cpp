// Faults the emulator injects on demand, its pace and its record of the line.
#include "support/EmulatorRig.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace korvelan::sim;
using namespace std::chrono;
using test::SimRig;

class FaultsTest : public QObject {
    Q_OBJECT
private slots:
    void silenceFromTheNthCommand();
    void garbageLandsInOneReply();
    void lineDropsInTheMiddleOfAReply();
    void lineDropsInTheMiddleOfADownload();
    void realPaceSpacesTheCharacters();
    void strictModeRecordsCrowdedParameters_data();
    void strictModeRecordsCrowdedParameters();
    void newCommandCutsAnOldReplyShort();
    void traceHoldsBothDirectionsWithTimes();
};

void FaultsTest::silenceFromTheNthCommand()
{
    SimRig rig;
    rig.logger.setSilentFrom(3);
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"SITE1     "});
    rig.send("q", "NEW,");
    const TimePoint asked = rig.now();
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{Transport::kNoAnswer});
    QCOMPARE(rig.now() - asked, duration_cast<Duration>(Transport::kFieldTimeLimit) + milliseconds(0));
    // The third command was not carried out either: the logger is hung.
    QCOMPARE(rig.logger.name(), "NEW");
    rig.send("q", "LATER,");
    QCOMPARE(rig.logger.name(), "NEW");
}

void FaultsTest::garbageLandsInOneReply()
{
    SimRig rig;
    rig.logger.setGarbage(2, "#?");
    QCOMPARE(rig.exchange("Q", "", 1), QStringList{"SITE1     "});
    const QStringList clock = rig.exchange("G", ",", 5);
    QCOMPARE(clock.join(','), "05,12,20#?26,14,07");
    QCOMPARE(rig.exchange("G", ",", 3), QStringList({"05", "12", "2026"}));
}

void FaultsTest::lineDropsInTheMiddleOfAReply()
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

void FaultsTest::lineDropsInTheMiddleOfADownload()
{
    SimRig rig;
    rig.logger.setPace(Pace::Baud9600);
    rig.logger.fillMemory(20);
    const int full = static_cast<int>(rig.logger.memoryLines().join("\r\n").size()) + 3;
    rig.logger.setDropAfterBytes(full / 2);
    QSignalSpy lost(&rig.channel, &Channel::lost);
    rig.send("A", "0,");
    QByteArray got;
    while (rig.channel.isOpen()) {
        rig.transport.waitForInput(rig.now() + seconds(5));
        const QByteArray part = rig.channel.readAll();
        if (part.isEmpty() && rig.channel.isOpen())
            break;
        got += part;
    }
    QCOMPARE(lost.count(), 1);
    QCOMPARE(got.size(), full / 2);
    QVERIFY(!got.contains('\x03'));
}

void FaultsTest::realPaceSpacesTheCharacters()
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

void FaultsTest::strictModeRecordsCrowdedParameters_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<int>("violations");
    QTest::newRow("the program's pace") << true << 0;
    // In one piece: every parameter character is too close to the one before it.
    QTest::newRow("written at once") << false << 12;
}

void FaultsTest::strictModeRecordsCrowdedParameters()
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

void FaultsTest::newCommandCutsAnOldReplyShort()
{
    // The program reads one field of "D" and moves on; the rest must not reach the next reply.
    SimRig rig;
    rig.logger.setPace(Pace::Baud9600);
    QCOMPARE(rig.exchange("D", ",", 1), QStringList{" 0"});
    QCOMPARE(rig.exchange("U", "", 1), QStringList{"0"});
    QCOMPARE(rig.exchange("O", "", 1), QStringList{"1"});
}

void FaultsTest::traceHoldsBothDirectionsWithTimes()
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

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_faults.moc"
