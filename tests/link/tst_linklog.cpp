// The link log: what it shows of an exchange, of a download's stream and of control
// characters, how much it keeps, and the file it writes.
#include "link/LinkLog.h"
#include "link/LoggedChannel.h"
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "sim/LoggerEmulator.h"
#include "support/Files.h"
#include "support/ScriptedPrompter.h"
#include "windows/linklog/LinkLogWindow.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;

namespace {

const QDateTime kStart(QDate(2026, 12, 5), QTime(14, 7, 9));

struct Rig
{
    VirtualClock clock;
    TimePoint start = clock.now();
    sim::LoggerEmulator logger{clock.now(), kStart};
    MemoryChannel memory{logger, clock};
    LinkLog log{clock, [this] {
                    return kStart.addMSecs(
                        duration_cast<milliseconds>(clock.now() - start).count());
                }};
    LoggedChannel channel{memory, log};
    LoggerSession session;
    test::ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter, [](int) { return QString("COM1"); }};

    Rig()
    {
        clock.addSource([this] { return logger.nextEvent(); });
        session.PortaSempreAperta = true;
        channel.setPortName(QStringLiteral("COM1"));
        channel.open(LineSettings{}, nullptr);
    }
    QStringList lines() const { return {log.lines().begin(), log.lines().end()}; }
};

} // namespace

class LinkLogTest : public QObject
{
    Q_OBJECT
private slots:
    void controlCharactersAreNamed();
    void aCommandStandsWithItsReply();
    void aDownloadIsSummedUpEverySecond();
    void keepsTheLastLinesOnly();
    void filesHoldWhatTheWindowShows();
};

void LinkLogTest::controlCharactersAreNamed()
{
    QCOMPARE(LinkLog::readable(QByteArray("ab,\r\n\x03\x1b\xff\x00z", 10)),
             QStringLiteral("ab,<CR><LF><ETX><0x1B><0xFF><0x00>z"));
}

void LinkLogTest::aCommandStandsWithItsReply()
{
    Rig rig;
    rig.transport.action([&] {
        rig.transport.Invia_Comando(QStringLiteral("G"), QStringLiteral(","));
        for (int i = 0; i < 5; ++i)
            rig.transport.Leggi_Campo();
    });
    rig.log.flush();
    // The paced characters make one line, the reply the next; each with the time it began.
    QCOMPARE(rig.lines(), (QStringList{"2026-12-05 14:07:09.000 -- COM1 opened, 9600 baud",
                                       "2026-12-05 14:07:09.000 -> G,",
                                       "2026-12-05 14:07:09.030 <- 05,12,2026,14,07,"}));
    // Why a port does not open passes through to the message.
    rig.channel.close();
    rig.memory.setBusyPorts({QStringLiteral("COM1")});
    QVERIFY(!rig.channel.open(LineSettings{}, nullptr));
    QCOMPARE(rig.channel.openFault(), PortFault::Busy);
}

void LinkLogTest::aDownloadIsSummedUpEverySecond()
{
    Rig rig;
    rig.logger.setPace(sim::Pace::Baud9600);
    rig.logger.fillMemory(100); // about 5 s at 9600 baud
    rig.transport.action([&] {
        rig.transport.Invia_Comando(QStringLiteral("A"), QStringLiteral("0,"));
        while (!rig.channel.readAll().contains('\x03'))
            rig.transport.waitForInput(rig.clock.now() + seconds(1));
    });
    rig.log.flush();
    const QStringList lines = rig.lines();
    QCOMPARE(lines[1], QStringLiteral("2026-12-05 14:07:09.000 -> A0,"));
    QVERIFY(lines[2].contains(QLatin1String("<- [data] ")));
    // About 8 s of stream at 9600 baud: one line a second, not one a byte.
    QVERIFY2(lines.size() <= 12, qPrintable(lines.join(u'\n')));
    QVERIFY(lines[3].contains(QLatin1String(".573 <- [data] 1473 bytes, 18 lines")));
    QVERIFY(lines.last().endsWith(QLatin1String("in all 7801 bytes, 100 lines, ended by <ETX>")));
}

void LinkLogTest::keepsTheLastLinesOnly()
{
    Rig rig;
    test::ScriptedPrompter prompter;
    LinkLogWindow window(rig.log, prompter);
    window.show();
    for (int i = 0; i < LinkLog::kKeptLines + 5000; ++i)
        rig.log.note(QString::number(i));
    QCOMPARE(int(rig.log.lines().size()), LinkLog::kKeptLines);
    QVERIFY(rig.log.lines().front().endsWith(QLatin1String("-- 5000"))); // the port's line gone
    auto* view = window.findChild<QPlainTextEdit*>(QStringLiteral("txtLog"));
    QCOMPARE(view->blockCount(), LinkLog::kKeptLines);
    window.findChild<QPushButton*>(QStringLiteral("cmdPulisciLog"))->click();
    QVERIFY(rig.log.lines().empty());
    QCOMPARE(view->toPlainText(), QString());
}

void LinkLogTest::filesHoldWhatTheWindowShows()
{
    QTemporaryDir dir;
    Rig rig;
    QVERIFY(rig.log.writeTo(dir.filePath(QStringLiteral("run.log")), nullptr));
    rig.transport.action([&] {
        rig.transport.Invia_Comando(QStringLiteral("Q"), QString());
        rig.transport.Leggi_Campo();
    });
    rig.log.flush();
    test::ScriptedPrompter prompter;
    LinkLogWindow window(rig.log, prompter);
    window.setFileChooser([&] { return dir.filePath(QStringLiteral("saved.txt")); });
    window.findChild<QPushButton*>(QStringLiteral("cmdSalvaLog"))->click();

    QCOMPARE(test::readBytes(dir.filePath(QStringLiteral("saved.txt"))),
             (rig.lines().join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
    // From the start of the run on: the file given on the command line has the port's line too.
    QCOMPARE(
        test::readBytes(dir.filePath(QStringLiteral("run.log"))),
        QByteArray("2026-12-05 14:07:09.000 -> Q\r\n2026-12-05 14:07:09.020 <- SITE1     ,\r\n"));
    QVERIFY(prompter.shown.isEmpty());
}

QTEST_MAIN(LinkLogTest)
#include "tst_linklog.moc"
