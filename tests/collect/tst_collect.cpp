// The pure parts of korvelan-collect: its command line, the mark of --since-last with the
// line filter it drives, the sharing out of a run among its modems with the retries, the
// summary a scheduler reads, and the history --status reads.
#include "collect/CollectHistory.h"
#include "collect/CollectOptions.h"
#include "collect/CollectReport.h"
#include "collect/FleetQueue.h"
#include "collect/SinceLast.h"
#include "support/Files.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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
    for (const int m : o.modems)
        parts << QStringLiteral("modem %1").arg(m);
    if (o.retries > 0)
        parts << QStringLiteral("retry %1 after %2").arg(o.retries).arg(o.retryAfter.count());
    if (o.status)
        parts << QStringLiteral("status %1").arg(o.maxAgeHours.value_or(0));
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
    void fleet_data();
    void fleet();
    void history();
};

void TestCollect::options_data()
{
    QTest::addColumn<QString>("arguments"); // as a shell gives them
    QTest::addColumn<QString>("expected");  // what the options hold, or "error: <part of it>"
    // clang-format off
    QTest::newRow("devices take the ports --com leaves") << "--device /dev/a --com 1=/dev/b --com 3 --device /dev/c" << "cable 1=/dev/b, cable 3=, cable 2=/dev/a, cable 4=/dev/c";
    QTest::newRow("stations: --com maps the modem's port") << "--station S1 --station \"S 2\" --com 2=/dev/m --since-last" << "station S1, station S 2, port 2=/dev/m, since last";
    QTest::newRow("dates, clock and timeout") << "--all-stations --from 1/12/2026 --to 03/12/2026 --sync-clock 90 --timeout 30" << "all stations, 2026-12-01..2026-12-03, sync 90, timeout 30";
    QTest::newRow("--from alone runs to today") << "--device /dev/a --from 1/11/2026" << "cable 1=/dev/a, 2026-11-01..2026-12-05";
    QTest::newRow("nothing to collect") << "--since-last" << "error: nothing to collect";
    QTest::newRow("two ways to choose stations") << "--station S1 --all-stations" << "error: do not go together";
    QTest::newRow("cables beside a pool of modems, retried") << "--all-stations --device /dev/a --modem 2 --com 2=/dev/m --modem 3 --retry 2 --retry-after 5" << "cable 1=/dev/a, all stations, port 2=/dev/m, modem 2, modem 3, retry 2 after 5";
    QTest::newRow("a modem twice") << "--all-stations --modem 2 --modem 2" << "error: given twice";
    QTest::newRow("retries are for stations") << "--device /dev/a --retry 1" << "error: is for stations";
    QTest::newRow("status") << "--status --max-age 24" << "status 24";
    QTest::newRow("status collects nothing") << "--status --station S1" << "error: --station does not go";
    QTest::newRow("--max-age alone") << "--all-stations --max-age 2" << "error: goes with --status";
    QTest::newRow("a modem port needs its device") << "--station S1 --com 2" << "error: expected N=DEVICE";
    QTest::newRow("a port twice") << "--com 2 --com 2=/dev/a" << "error: given twice";
    QTest::newRow("two ranges") << "--device /dev/a --all --since-last" << "error: choose one";
    QTest::newRow("--to alone") << "--device /dev/a --to 1/1/2026" << "error: --to needs --from";
    // clang-format on
}

void TestCollect::options()
{
    QFETCH(QString, arguments);
    QFETCH(QString, expected);
    const auto parsed =
        parseCollectOptions(QProcess::splitCommand("korvelan-collect " + arguments), kToday);
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
    // clang-format off
    QTest::newRow("after the last occurrence") << day << "b 9" << false << QStringList{"d"} << 4;
    QTest::newRow("the whole memory: at its place") << day << "b 2" << true << QStringList{"c", "b", "d"} << 2;
    QTest::newRow("mark not there: all kept") << day << "x 1" << true << day << 0;
    QTest::newRow("empty lines wait for a line after them") << QStringList{"a", "", "b", "", ""} << "a 1" << false << QStringList{"", "b"} << 1;
    QTest::newRow("empty download") << QStringList{} << "a 1" << false << QStringList{} << 0;
    // clang-format on
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

void TestCollect::fleet_data()
{
    QTest::addColumn<QString>("jobs"); // via, or via@worker for a cable
    QTest::addColumn<int>("modems");   // workers after the cables
    QTest::addColumn<int>("retries");
    QTest::addColumn<QString>("outcomes"); // per job, one letter an attempt (see fleet())
    QTest::addColumn<QString>("expected"); // per job: workers of its attempts/result, attempts

    // clang-format off
    QTest::newRow("shared out, one call a modem") << "A B C D" << 2 << 0 << "C C C C" << "A=0/C1 B=1/C1 C=0/C1 D=1/C1";
    QTest::newRow("busy, tried again after the others") << "A B C" << 1 << 1 << "BC C C" << "A=00/C2 B=0/C1 C=0/C1";
    QTest::newRow("tries are limited") << "A B" << 1 << 2 << "DBB C" << "A=000/N3 B=0/C1";
    QTest::newRow("a final reason is not tried again") << "A" << 1 << 3 << "X" << "A=0/N1";
    QTest::newRow("a dead modem's station goes to another") << "A B C" << 2 << 0 << "FC C C" << "A=01/C1 B=1/C1 C=1/C1";
    QTest::newRow("a call not hung up takes its modem out") << "A B C" << 2 << 0 << "H C C" << "A=0/C1 B=1/C1 C=1/C1";
    QTest::newRow("no modem left") << "A B" << 1 << 1 << "F C" << "A=0/N1 B=/N0";
    QTest::newRow("cables by their own worker") << "K@0 A B" << 1 << 0 << "C C C" << "K@0=0/C1 A=1/C1 B=1/C1";
    QTest::newRow("a stop ends the queue") << "A B C" << 2 << 1 << "S BC C" << "A=0/N1 B=1/N1 C=/N0";
    // clang-format on
}

// Workers take jobs as they become free, each attempt lasting a second; the outcome letters:
// C collected, B busy (no call), D a dropped call, X a reason that will not pass, F the modem
// unusable before any call, H collected but the call not hung up, S a signal meanwhile.
void TestCollect::fleet()
{
    QFETCH(QString, jobs);
    QFETCH(int, modems);
    QFETCH(int, retries);
    QFETCH(QString, outcomes);
    QFETCH(QString, expected);
    const QStringList names = jobs.split(' ');
    const QStringList script = outcomes.split(' ');
    QList<FleetQueue::Job> list;
    for (const QString& name : names)
        list << FleetQueue::Job{name, name.contains('@') ? name.section('@', 1).toInt()
                                                         : FleetQueue::kAnyModem};
    const int cables = int(jobs.count('@'));
    QList<int> workers;
    for (int w = 0; w < cables + modems; ++w)
        workers << w;
    FleetQueue queue(list, workers.mid(cables), retries, std::chrono::seconds(0));
    QList<QString> workersOf(names.size());
    QList<int> attempts(names.size());
    QHash<int, int> running; // worker -> job
    for (int tick = 0; tick < 50 && !workers.isEmpty(); ++tick) {
        const TimePoint now = TimePoint{} + std::chrono::seconds(tick);
        for (const auto [worker, job] : running.asKeyValueRange()) {
            const QChar outcome = script[job].at(attempts[job]++);
            LoggerReport r;
            r.collected = outcome == 'C' || outcome == 'H';
            r.retryable = outcome == 'B' || outcome == 'D';
            r.modemFailed = outcome == 'F' || outcome == 'H';
            if (outcome == 'C' || outcome == 'D' || outcome == 'H')
                r.hungUp = outcome != 'H';
            if (outcome == 'S')
                queue.stop("SIGTERM");
            if (!queue.finished(worker, job, r, now))
                workers.removeOne(worker);
        }
        running.clear();
        for (const int worker : QList<int>(workers)) {
            const auto next = queue.next(worker, now);
            if (next.done)
                workers.removeOne(worker);
            if (!next.job)
                continue;
            QVERIFY2(!running.values().contains(*next.job), "a station on two modems at once");
            running.insert(worker, *next.job);
            workersOf[*next.job] += QString::number(worker);
        }
    }
    const QList<LoggerReport> reports = queue.reports();
    QStringList got;
    for (qsizetype i = 0; i < reports.size(); ++i) { // in the order given, whatever the end
        got << QStringLiteral("%1=%2/%3%4")
                   .arg(names[i], workersOf[i], reports[i].collected ? "C" : "N")
                   .arg(reports[i].attempts);
        // Every attempt before the last is told, and a call not hung up is never hidden.
        QCOMPARE(reports[i].notes.filter(QRegularExpression("^attempt \\d:")).size(),
                 std::max(0, reports[i].attempts - 1));
        QCOMPARE(reports[i].hungUp == false, script[i].contains('H'));
    }
    QCOMPARE(got.join(' '), expected);
}

void TestCollect::history()
{
    using namespace collecthistory;
    QTemporaryDir dir;
    const QDateTime now(QDate(2026, 12, 6), QTime(7, 0), Qt::OffsetFromUTC, 3600);
    LoggerReport r;
    r.via = "NORTH, \"old\"";
    r.logger = "N1";
    r.result = "not collected: the modem answered BUSY";
    r.driftSeconds = -40;
    const Row busy = rowOf(r, now.addSecs(-3600));
    const auto back = parseLine(line(busy));
    QVERIFY(back);
    QCOMPARE(line(*back), line(busy));
    for (const QByteArray& bad : {QByteArray("time,logger,via,result,lines,bytes,seconds,clock "
                                             "difference,reached"),
                                  line(busy).left(30), QByteArray("x,\"open")})
        QVERIFY2(!parseLine(bad), bad.constData());

    // A run's lines, then a line cut short by a crash: the next run's lines stay whole.
    const QString path = dir.filePath(kFileName);
    QVERIFY(append(dir.path(), {busy}, nullptr));
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append) && file.write("2026-12-06T03:00:00+01:00,N1") > 0);
    file.close();
    r.result = "collected";
    r.cable = true;
    r.via = "/dev/ttyUSB0";
    QString error;
    QVERIFY2(append(dir.path(), {rowOf(r, now.addSecs(-25 * 3600))}, &error), qPrintable(error));
    QCOMPARE(load(dir.path()).size(), 2);

    // Past its bound the file is put aside whole and a new one begun: two files at most.
    r.result = "collected; " + QString(200 * 1000, 'x');
    r.via = "SOUTH";
    r.cable = false;
    for (int i = 0; i < 7; ++i)
        QVERIFY(append(dir.path(), {rowOf(r, now.addSecs(-60 * i))}, &error));
    const qint64 total = QFileInfo(path).size() + QFileInfo(dir.filePath(kRotatedName)).size();
    QVERIFY2(QFileInfo(path).size() <= kRotateAt && total <= 2 * kRotateAt,
             qPrintable(QString::number(total)));
    QCOMPARE(QDir(dir.path()).entryList({"collect-history*.csv"}, QDir::Files).size(), 2);
    QCOMPARE(load(dir.path()).size(), 9);

    // Every station of the list, then every cable seen; quiet past the age, or never collected.
    StationTable stations;
    stations[0] = {"SOUTH", "1", {}, {}};
    stations[3] = {"WEST", "2", {}, {}};
    // The latest by time, wherever it stands in the file.
    const QList<Status> states =
        status(&stations, load(dir.path()) << rowOf(r, now.addSecs(-7200)));
    QStringList quietOnes;
    for (const Status& st : states) {
        if (quiet(st, now, 24))
            quietOnes << st.logger + " " + st.via;
    }
    QCOMPARE(quietOnes, QStringList({" WEST", "N1 /dev/ttyUSB0"}));
    QCOMPARE(statusLine(states[0], now, 24).section('\t', 3, 3), "age=0.0h");
}

QTEST_GUILESS_MAIN(TestCollect)
#include "tst_collect.moc"
