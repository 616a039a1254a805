// Downloads from the logger emulator: the file holds, line by line, what its memory holds.
#include "download/MemoryDownload.h"
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "sim/LoggerEmulator.h"
#include "support/ScriptedPrompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;

namespace {

const QDateTime kWallNow(QDate(2026, 12, 10), QTime(12, 0));

struct EmulatorRig {
    LoggerSession session;
    VirtualClock clock;
    sim::LoggerEmulator logger{clock.now(), kWallNow};
    MemoryChannel channel{logger, clock};
    test::ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter, [](int) { return QStringLiteral("COM1"); }};
    QTemporaryDir dir;

    EmulatorRig()
    {
        clock.addSource([this] { return logger.nextEvent(); });
        logger.setAcquiring(false, clock.now());
        // Ten days of hourly acquisitions, up to the logger's present.
        QStringList lines;
        for (int h = 10 * 24; h > 0; --h)
            lines << logger.acquisitionLine(kWallNow.addSecs(-3600 * h));
        logger.setMemoryLines(lines);
        session.PortaSempreAperta = true;
        QString error;
        channel.setPortName(QStringLiteral("COM1"));
        channel.open(LineSettings{}, &error);
    }
    [[nodiscard]] QStringList fileLines(const QString& path) const
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<no file>")};
        QStringList out;
        const QByteArray all = file.readAll();
        if (!all.isEmpty() && !all.endsWith("\r\n"))
            out << QStringLiteral("<unterminated>");
        for (const auto& line : all.split('\n'))
            if (!line.isEmpty())
                out << QString::fromLatin1(line.chopped(line.endsWith('\r') ? 1 : 0));
        return out;
    }
};

}  // namespace

class EmulatorDownloadTest : public QObject {
    Q_OBJECT
private slots:
    void memoryArrivesLineByLine_data();
    void memoryArrivesLineByLine();
    void lineDropsAtTheLoggersPace();
    void silentLogger();
};

void EmulatorDownloadTest::memoryArrivesLineByLine_data()
{
    QTest::addColumn<QDate>("from");  // invalid: whole memory
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("expected");
    QTest::newRow("whole memory") << QDate() << QDate() << 240;
    QTest::newRow("two days") << QDate(2026, 12, 3) << QDate(2026, 12, 4) << 48;
    QTest::newRow("the last day") << QDate(2026, 12, 10) << QDate(2026, 12, 10) << 12;
    QTest::newRow("before the memory") << QDate(2025, 1, 1) << QDate(2025, 1, 31) << 0;
}

void EmulatorDownloadTest::memoryArrivesLineByLine()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, expected);
    EmulatorRig rig;
    std::optional<DateRange> range;
    QStringList held = rig.logger.memoryLines();
    if (from.isValid()) {
        range = DateRange{from, to};
        held = rig.logger.memory().linesBetween(QDateTime(from, QTime(0, 0)),
                                                QDateTime(to, QTime(23, 59, 59)));
    }
    const QString path = rig.dir.filePath(QStringLiteral("d.txt"));
    MemoryDownload download(rig.transport);
    const auto result = download.run(path, range);
    QCOMPARE(result.outcome, DownloadOutcome::Completed);
    QCOMPARE(held.size(), expected);
    QCOMPARE(result.lines, expected);
    QCOMPARE(rig.fileLines(path), held);
    if (range) {
        QCOMPARE(rig.logger.rangeStart(), QDateTime(from, QTime(0, 0)));
        QCOMPARE(rig.logger.rangeEnd(), QDateTime(to, QTime(23, 59, 59)));
    }
}

void EmulatorDownloadTest::lineDropsAtTheLoggersPace()
{
    // At 9600 baud the line drops after 5,000 bytes: the file keeps every whole line that
    // came before, and the transfer ends when the line does.
    EmulatorRig rig;
    rig.logger.setPace(sim::Pace::Baud9600);
    rig.logger.setDropAfterBytes(5000);
    const QString path = rig.dir.filePath(QStringLiteral("d.txt"));
    MemoryDownload download(rig.transport);
    const auto result = download.run(path, std::nullopt);
    QCOMPARE(result.outcome, DownloadOutcome::LineLost);
    QCOMPARE(result.bytes, 5000);
    QByteArray sent;
    for (const auto& line : rig.logger.memoryLines())
        sent += line.toLatin1() + "\r\n";
    const QStringList whole =
        QString::fromLatin1(sent.left(sent.left(5000).lastIndexOf('\n') + 1)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(rig.fileLines(path), whole);
    QCOMPARE(result.lines, whole.size());
    // 5,000 characters take 5.2 s on the line.
    QVERIFY(result.elapsed > milliseconds(5200) && result.elapsed < seconds(6));
}

void EmulatorDownloadTest::silentLogger()
{
    EmulatorRig rig;
    rig.logger.setSilentFrom(1);
    const QString path = rig.dir.filePath(QStringLiteral("d.txt"));
    MemoryDownload download(rig.transport);
    const auto result = download.run(path, std::nullopt);
    QCOMPARE(result.outcome, DownloadOutcome::TimedOut);
    QCOMPARE(result.lines, 0);
    QVERIFY(result.elapsed >= MemoryDownload::kFirstByteLimit);
    QVERIFY(result.elapsed < MemoryDownload::kFirstByteLimit + seconds(1));
    QVERIFY(QFile::exists(path));
}

QTEST_GUILESS_MAIN(EmulatorDownloadTest)
#include "tst_emulatordownload.moc"
