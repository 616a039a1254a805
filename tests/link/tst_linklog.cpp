// The link log: what it shows of an exchange, of a download's stream and of control
// characters, how much it keeps, and the file it writes; and the clock difference it goes with.
#include "common/ClockDrift.h"
#include "link/LinkLog.h"
#include "link/LoggedChannel.h"
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "sim/LoggerEmulator.h"
#include "support/Files.h"
#include "support/ScriptedPrompter.h"
#include "windows/linklog/LinkLogWindow.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

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
        transport.setExchangeBoundary([this] { log.flush(); });
    }
    QStringList lines() const { return {log.lines().begin(), log.lines().end()}; }
    // The lines without their times.
    QStringList texts() const
    {
        QStringList out;
        for (const auto& line : log.lines())
            out << line.mid(24);
        return out;
    }
    QString wallNow() const
    {
        return kStart.addMSecs(duration_cast<milliseconds>(clock.now() - start).count())
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    }
};

} // namespace

class LinkLogTest : public QObject
{
    Q_OBJECT
private slots:
    void controlCharactersAreNamed();
    void aCommandStandsWithItsReply();
    void everyCommandHasALineOfItsOwn();
    void aDownloadIsSummedUpEverySecond();
    void keepsTheLastLinesOnly();
    void filesHoldWhatTheWindowShows();
    void aFileThatStopsTakingLinesIsSaidOnce();
    void clockDifference_data();
    void clockDifference();
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

void LinkLogTest::everyCommandHasALineOfItsOwn()
{
    Rig rig;
    // Writes get no reply; each still ends where the next command begins, however soon.
    rig.transport.action([&] {
        rig.transport.Invia_Comando(QStringLiteral("o"), QStringLiteral("0,"));
        rig.transport.Invia_Comando(QStringLiteral("g"), QStringLiteral("6,12, 126,23,33,"));
        rig.transport.Pausa(50);
        rig.transport.Invia_Comando(QStringLiteral("G"), QStringLiteral(","));
        for (int i = 0; i < 5; ++i)
            rig.transport.Leggi_Campo();
        rig.transport.Invia_Comando(QStringLiteral("O"), QString());
        rig.transport.Leggi_Campo();
    });
    rig.log.flush();
    QCOMPARE(rig.texts().mid(1), (QStringList{"-> o0,", "-> g6,12, 126,23,33,", "-> G,",
                                              "<- 06,12,2026,23,33,", "-> O", "<- 0,"}));
}

void LinkLogTest::aDownloadIsSummedUpEverySecond()
{
    Rig rig;
    rig.logger.setPace(sim::Pace::Baud9600);
    rig.logger.fillMemory(100); // about 5 s at 9600 baud
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("run.log"));
    QVERIFY(rig.log.writeTo(file, QStringLiteral("run"), nullptr));
    QString endedAt;
    rig.transport.action([&] {
        rig.transport.Invia_Comando(QStringLiteral("A"), QStringLiteral("0,"));
        while (!rig.channel.readAll().contains('\x03'))
            rig.transport.waitForInput(rig.clock.now() + seconds(1));
        endedAt = rig.wallNow();
    });
    // The link falls silent after ETX: the closing line is there already, with ETX's time,
    // in the window and in the file.
    rig.clock.advance(minutes(5));
    const QStringList lines = rig.lines();
    QVERIFY(lines.last().startsWith(endedAt));
    QVERIFY(test::readBytes(file).endsWith(lines.last().toUtf8() + "\r\n"));
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
    // An earlier run's lines stay: each run appends, from a line of its own.
    test::writeBytes(dir.filePath(QStringLiteral("run.log")), "earlier run\r\n");
    QVERIFY(
        rig.log.writeTo(dir.filePath(QStringLiteral("run.log")), QStringLiteral("run 2"), nullptr));
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
        QByteArray("earlier run\r\n2026-12-05 14:07:09.000 == run 2\r\n"
                   "2026-12-05 14:07:09.000 -> Q\r\n2026-12-05 14:07:09.020 <- SITE1     ,\r\n"));
    QVERIFY(prompter.shown.isEmpty());
    // A file that cannot be written at all is refused at the start, with the reason.
    QString error;
    QVERIFY(!rig.log.writeTo(dir.path(), QStringLiteral("run 3"), &error));
    QVERIFY(!error.isEmpty());
}

void LinkLogTest::aFileThatStopsTakingLinesIsSaidOnce()
{
#ifdef Q_OS_LINUX
    // A disk that fills up: writes past a size limit fail (EFBIG).
    QTemporaryDir dir;
    Rig rig;
    QStringList failures;
    connect(&rig.log, &LinkLog::fileFailed, this,
            [&](const QString&, const QString& reason) { failures << reason; });
    QVERIFY(
        rig.log.writeTo(dir.filePath(QStringLiteral("run.log")), QStringLiteral("run"), nullptr));
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 200;
    setrlimit(RLIMIT_FSIZE, &small);
    for (int i = 0; i < 20; ++i)
        rig.log.note(QStringLiteral("line %1").arg(i));
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(failures.size(), 1);
    // Every line is still kept, and the window is told among them.
    QCOMPARE(int(rig.log.lines().size()), 22); // the port's line, 20 notes, the failure
    QVERIFY(rig.lines().filter(QStringLiteral("cannot be written")).size() == 1);
#else
    QSKIP("needs a file size limit");
#endif
}

void LinkLogTest::clockDifference_data()
{
    QTest::addColumn<QString>("logger"); // the clock reply: day, month, year, hours, minutes
    QTest::addColumn<QDateTime>("computer");
    QTest::addColumn<QString>("shown");
    const auto at = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
    };
    // Sizes: past an hour rounded to the minute, never cut.
    // clang-format off
    QTest::newRow("59 s") << "05,12,2026,14,08" << at(2026, 12, 5, 14, 7, 31) << "59 s ahead of";
    QTest::newRow("61 s") << "05,12,2026,14,06" << at(2026, 12, 5, 14, 7, 31) << "1 min 1 s behind";
    QTest::newRow("59 min 45 s") << "05,12,2026,13,07" << at(2026, 12, 5, 14, 7, 15) << "59 min 45 s behind";
    QTest::newRow("3 h") << "05,12,2026,11,07" << at(2026, 12, 5, 14, 7, 30) << "3 h 0 min behind";
    QTest::newRow("3 h 0 min 40 s") << "05,12,2026,17,08" << at(2026, 12, 5, 14, 7, 50) << "3 h 1 min ahead of";
    QTest::newRow("2 days") << "07,12,2026,14,07" << at(2026, 12, 5, 14, 7, 30) << "2 d 0 h 0 min ahead of";
    // Midnight and the year's end.
    QTest::newRow("new year") << "01,01,2027,00,00" << at(2026, 12, 31, 23, 59, 50) << "40 s ahead of";
    // Daylight saving: the logger does not change its clock; the computer's reading does.
    // Spring: the computer goes from 02:00 to 03:00, the logger stays an hour behind.
    const auto utc = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toLocalTime();
    };
    QTest::newRow("spring forward") << "29,03,2026,02,00" << utc(2026, 3, 29, 1, 0, 10) << "59 min 40 s behind";
    QTest::newRow("in step before spring forward") << "29,03,2026,01,59" << utc(2026, 3, 29, 0, 59, 50) << "in step with";
    // Autumn: 02:30 comes twice; a logger reading 02:30 the second time is in step.
    QTest::newRow("autumn, second 02:30") << "25,10,2026,02,30" << utc(2026, 10, 25, 1, 30, 10) << "in step with";
    QTest::newRow("autumn, first 02:30") << "25,10,2026,02,30" << utc(2026, 10, 25, 0, 30, 10) << "in step with";
    // clang-format on
}

void LinkLogTest::clockDifference()
{
    QFETCH(QString, logger);
    QFETCH(QDateTime, computer);
    QFETCH(QString, shown);
    const auto minute = clockdrift::loggerMinute(logger.split(u','));
    QVERIFY(minute);
    QVERIFY2(clockdrift::text(clockdrift::seconds(*minute, computer)).contains(shown),
             qPrintable(clockdrift::text(clockdrift::seconds(*minute, computer))));
}

int main(int argc, char** argv)
{
    // A zone with daylight saving, whatever the machine's: the clock difference must hold
    // across both changes.
    qputenv("TZ", "Europe/Rome");
    tzset();
    QApplication app(argc, argv);
    LinkLogTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_linklog.moc"
