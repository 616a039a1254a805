// The pure parts of korvelan-collect: its command line, the mark of --since-last with the
// line filter it drives, and the summary a scheduler reads.
#include "collect/CollectOptions.h"
#include "collect/CollectReport.h"
#include "collect/SinceLast.h"
#include "support/Files.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvelan;

namespace {

const QDate kToday(2026, 12, 5);

QString describe(const CollectOptions& o)
{
    QStringList parts;
    for (const auto& c : o.cables)
        parts << QStringLiteral("cable %1=%2").arg(c.port).arg(c.device);
    for (const auto& s : o.stations)
        parts << QStringLiteral("station %1").arg(s);
    if (o.allStations)
        parts << QStringLiteral("all stations");
    for (const auto& m : o.portDevices)
        parts << QStringLiteral("port %1=%2").arg(m.port).arg(m.device);
    if (o.range == CollectOptions::Range::SinceLast)
        parts << QStringLiteral("since last");
    if (o.dates)
        parts << o.dates->from.toString(Qt::ISODate) + QStringLiteral("..") +
                     o.dates->to.toString(Qt::ISODate);
    if (o.syncClockAbove)
        parts << QStringLiteral("sync %1").arg(*o.syncClockAbove);
    if (o.dialLimit != CollectOptions::kDefaultDialLimit)
        parts << QStringLiteral("timeout %1").arg(o.dialLimit.count());
    return parts.join(QStringLiteral(", "));
}

QByteArray fileLines(const QStringList& lines)
{
    QByteArray out;
    for (const auto& l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}

} // namespace

class TestCollect : public QObject
{
    Q_OBJECT
private slots:
    void options_data();
    void options();
    void markFile();
    void keepLinesAfter_data();
    void keepLinesAfter();
    void summary();
};

void TestCollect::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // what the options hold, or "error: <part of it>"

    QTest::newRow("devices take the ports --com leaves")
        << QStringList{"--device", "/dev/a", "--com",    "1=/dev/b",
                       "--com",    "3",      "--device", "/dev/c"}
        << "cable 1=/dev/b, cable 3=, cable 2=/dev/a, cable 4=/dev/c";
    QTest::newRow("stations: --com maps the modem's port")
        << QStringList{"--station", "S1", "--station", "S 2", "--com", "2=/dev/m", "--since-last"}
        << "station S1, station S 2, port 2=/dev/m, since last";
    QTest::newRow("dates, clock and timeout")
        << QStringList{"--all-stations", "--from", "1/12/2026", "--to", "03/12/2026",
                       "--sync-clock",   "90",     "--timeout", "30"}
        << "all stations, 2026-12-01..2026-12-03, sync 90, timeout 30";
    QTest::newRow("--from alone runs to today")
        << QStringList{"--device", "/dev/a", "--from", "1/11/2026"}
        << "cable 1=/dev/a, 2026-11-01..2026-12-05";
    QTest::newRow("nothing to collect")
        << QStringList{"--since-last"} << "error: nothing to collect";
    QTest::newRow("two ways to choose stations")
        << QStringList{"--station", "S1", "--all-stations"} << "error: do not go together";
    QTest::newRow("a cable and a station")
        << QStringList{"--station", "S1", "--device", "/dev/a"} << "error: --device is for";
    QTest::newRow("a modem port needs its device")
        << QStringList{"--station", "S1", "--com", "2"} << "error: expected N=DEVICE";
    QTest::newRow("a port twice") << QStringList{"--com", "2", "--com", "2=/dev/a"}
                                  << "error: given twice";
    QTest::newRow("two ranges") << QStringList{"--device", "/dev/a", "--all", "--since-last"}
                                << "error: choose one";
    QTest::newRow("--to alone") << QStringList{"--device", "/dev/a", "--to", "1/1/2026"}
                                << "error: --to needs --from";
}

void TestCollect::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const auto parsed =
        parseCollectOptions(QStringList{QStringLiteral("korvelan-collect")} + arguments, kToday);
    if (expected.startsWith(QLatin1String("error: "))) {
        QVERIFY(!parsed.options);
        QCOMPARE(parsed.exitCode, 2);
        QVERIFY2(parsed.error.contains(expected.mid(7)), qPrintable(parsed.error));
        return;
    }
    QVERIFY2(parsed.options, qPrintable(parsed.error));
    QCOMPARE(describe(*parsed.options), expected);
}

void TestCollect::markFile()
{
    const QByteArray line = "04/12/2026 23:30:00,2007.5,12.64";
    const SinceLastMark mark = sincelast::markFor(line, 41);
    QCOMPARE(mark.date, QDate(2026, 12, 4));
    QCOMPARE(mark.time, QTime(23, 30));
    QVERIFY(!sincelast::markFor("no date here", 1).date);

    // Two loggers of one name, reached two ways, have a mark each, inside the folder.
    QTemporaryDir dir;
    const QString path = sincelast::markPath(dir.path(), "station 4 0212345", "../BH 1");
    QVERIFY2(path.startsWith(dir.filePath(QStringLiteral("since-last/"))), qPrintable(path));
    QVERIFY(path != sincelast::markPath(dir.path(), "station 5 0399887766", "../BH 1"));
    QVERIFY(!sincelast::loadMark(path).mark); // none yet, and no problem either
    QVERIFY(sincelast::loadMark(path).problem.isEmpty());
    QVERIFY(sincelast::saveMark(path, mark, nullptr));
    const auto loaded = sincelast::loadMark(path);
    QVERIFY(loaded.mark);
    QCOMPARE(loaded.mark->line, line);
    QCOMPARE(loaded.mark->place, 41);

    // An earlier version's file still reads, but without a place it asks for the whole memory;
    // what is not a mark is reported, never taken for one, and an empty line is never a mark.
    const QList<QPair<QByteArray, bool>> files = {
        {"04/12/2026\r\nline\r\n", true},   {"31/02/2026\r\nline\r\n", false},
        {"only one line", false},           {"04/12/2026\r\nline\r\nmore\r\n", false},
        {"04/12/2026\r\n\r\n7\r\n", false}, {"04/12/2026\r\nline\r\n0\r\n", false}};
    for (const auto& [bytes, good] : files) {
        QVERIFY(test::writeBytes(path, bytes));
        const auto read = sincelast::loadMark(path);
        QVERIFY2(bool(read.mark) == good && read.problem.isEmpty() == good, bytes.constData());
        QVERIFY(!read.mark || !sincelast::plan(*read.mark, {kToday, {}, 50, false}, kToday).range);
    }
}

void TestCollect::keepLinesAfter_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("mark"); // the mark's line and place; "-": no mark
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<int>("at");

    const QStringList day = {"a", "b", "c", "b", "d"};
    QTest::newRow("after the last occurrence") << day << "b 9" << false << QStringList{"d"} << 4;
    QTest::newRow("the whole memory: at its place")
        << day << "b 2" << true << QStringList{"c", "b", "d"} << 2;
    QTest::newRow("mark not there: all kept") << day << "x 1" << true << day << 0;
    QTest::newRow("empty lines wait for a line after them")
        << QStringList{"a", "", "b", "", ""} << "a 1" << false << QStringList{"", "b"} << 1;
    QTest::newRow("empty download") << QStringList{} << "a 1" << false << QStringList{} << 0;
}

void TestCollect::keepLinesAfter()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, mark);
    QFETCH(bool, whole);
    QFETCH(QStringList, kept);
    QFETCH(int, at);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SITE1_05_12_26_SENS.partial.txt"));
    QVERIFY(test::writeBytes(path, fileLines(lines)));
    std::optional<SinceLastMark> before;
    if (mark != "-")
        before = SinceLastMark{
            mark.section(' ', 0, 0).toLatin1(), {}, {}, mark.section(' ', 1).toLongLong()};

    const auto filtered = sincelast::keepLinesAfter(path, before, whole);
    QVERIFY2(filtered.error.isEmpty(), qPrintable(filtered.error));
    QCOMPARE(filtered.at, at);
    QCOMPARE(filtered.lines, kept.size());
    // The file holds the lines kept, or is gone when there are none.
    QCOMPARE(test::readBytes(path), kept.isEmpty() ? "<no file>" : fileLines(kept));
    QCOMPARE(filtered.bytes, kept.isEmpty() ? 0 : QFileInfo(path).size());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), kept.isEmpty() ? 0 : 1);
}

void TestCollect::summary()
{
    LoggerReport collected;
    collected.via = QStringLiteral("BORE\tHOLE 1");
    collected.logger = QStringLiteral("BH1");
    collected.file = QStringLiteral("/data/BH1 x_05_12_26_SENS.txt");
    collected.lines = 30;
    collected.bytes = 2340;
    collected.seconds = 12.345;
    collected.collected = true;
    collected.result = QStringLiteral("collected");
    collected.notes << QStringLiteral("hung up");
    collected.hungUp = true;
    collected.driftSeconds = -95;
    collected.clockSet = true;
    LoggerReport failed;
    failed.via = QStringLiteral("/dev/ttyUSB0");
    failed.result = QStringLiteral("not collected: no logger answered on COM 1 (/dev/ttyUSB0)");

    // Tabs separate the fields, so blanks in a name or path stay inside theirs.
    QCOMPARE(collectreport::summaryLine(collected),
             QStringLiteral("logger=BH1\tvia=BORE HOLE 1\tfile=%1\tlines=30\tbytes=2340\t"
                            "seconds=12.3\tresult=collected; hung up")
                 .arg(QDir::toNativeSeparators(collected.file)));
    QCOMPARE(collectreport::summaryLine(failed),
             QStringLiteral("logger=/dev/ttyUSB0\tvia=/dev/ttyUSB0\tfile=-\tlines=0\tbytes=0\t"
                            "seconds=0.0\tresult=") +
                 failed.result);

    QCOMPARE(collectreport::exitCode({collected, collected}), 0);
    QCOMPARE(collectreport::exitCode({}), 2);
    // A call left up is no clean collection.
    LoggerReport notHungUp = collected;
    notHungUp.hungUp = false;
    QCOMPARE(collectreport::exitCode({notHungUp}), 1);

    const QJsonObject root =
        QJsonDocument::fromJson(collectreport::json({collected, failed})).object();
    QCOMPARE(root.value("exit").toInt(), 1);
    QCOMPARE(root.value("collected").toInt(), 1);
    const QJsonArray loggers = root.value("loggers").toArray();
    const QJsonObject first = loggers.at(0).toObject();
    QCOMPARE(first.value("hungUp").toBool(), true);
    QCOMPARE(first.value("clockDriftSeconds").toInt(), -95);
    QCOMPARE(first.value("clockSet").toBool(), true);
    const QJsonObject second = loggers.at(1).toObject();
    QVERIFY(second.value("file").isNull());
    QVERIFY(!second.contains("hungUp")); // no call was made
    QVERIFY(!second.contains("clockDriftSeconds"));
}

QTEST_GUILESS_MAIN(TestCollect)
#include "tst_collect.moc"
