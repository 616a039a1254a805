// korvelan-collect as a scheduler runs it, against korvelan-sim over pseudo-terminals, in
// real time: its exit status, its summary, the files it leaves and what the modem was sent.
#include "common/SimulatorProcess.h"
#include "download/DataFileName.h"
#include "remote/StationFiles.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvelan;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    qint64 ms = 0;
    [[nodiscard]] QJsonArray loggers() const
    {
        return QJsonDocument::fromJson(out.toUtf8()).object().value("loggers").toArray();
    }
};

// The emulator and a program folder and data folder of our own.
class Rig
{
public:
    QTemporaryDir dir;
    SimulatorProcess sim;
    QString folder = dir.filePath(QStringLiteral("program"));
    QString out = dir.filePath(QStringLiteral("data"));
    QString trace = dir.filePath(QStringLiteral("trace.txt"));

    bool start(const QStringList& arguments)
    {
        QString error;
        if (!sim.start(QStringLiteral(KORVELAN_SIM_PROGRAM),
                       arguments + QStringList{QStringLiteral("--trace"), trace}, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return QDir().mkpath(folder);
    }

    // The station list of the program folder, the modem on COM 2.
    bool stations(const QList<QPair<QString, QString>>& rows)
    {
        StationTable table;
        for (int i = 0; i < rows.size(); ++i)
            table[size_t(i)] = {rows[i].first, rows[i].second, {}, {}};
        const StationFiles files(folder);
        return files.save(table, nullptr) && files.savePort(2, nullptr);
    }

    QStringList overModem(const QStringList& arguments) const
    {
        return arguments + QStringList{QStringLiteral("--com"),    "2=" + sim.devices().modem,
                                       QStringLiteral("--folder"), folder,
                                       QStringLiteral("--out"),    out,
                                       QStringLiteral("--json")};
    }
    QStringList onCable(const QStringList& arguments) const
    {
        return arguments + QStringList{QStringLiteral("--device"), sim.devices().logger,
                                       QStringLiteral("--folder"), folder,
                                       QStringLiteral("--out"),    out};
    }

    void begin(QProcess& program, const QStringList& arguments) const
    {
        program.start(QStringLiteral(KORVELAN_COLLECT_PROGRAM), arguments);
    }
    // Waits letting events run, so what the emulator reports is taken as it comes.
    static Run finish(QProcess& program, const QElapsedTimer& took, int limitMs = 90000)
    {
        Run run;
        const bool ended =
            QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, limitMs);
        run.ms = took.elapsed();
        if (!ended) {
            program.kill();
            program.waitForFinished();
            return run;
        }
        run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
        run.out = QString::fromLocal8Bit(program.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(program.readAllStandardError());
        return run;
    }
    Run collect(const QStringList& arguments) const
    {
        QProcess program;
        QElapsedTimer took;
        took.start();
        begin(program, arguments);
        Run run = finish(program, took);
        qInfo("korvelan-collect %s: exit %d in %lld ms", qPrintable(arguments.first()),
              run.exitCode, run.ms);
        return run;
    }

    // What the modem was sent, one entry per write, and what it said between, in order.
    [[nodiscard]] QStringList modemTalk() const
    {
        QFile file(trace);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        static const QRegularExpression line(QStringLiteral(R"(^modem\s+\S+ (->|<-) (.*)$)"));
        QStringList talk;
        for (const QString& text : QString::fromLatin1(file.readAll()).split(u'\n')) {
            const auto m = line.match(text);
            if (!m.hasMatch())
                continue;
            // At a paced speed a reply comes a character at a time: one entry all the same.
            if (m.captured(1) == "<-" && !talk.isEmpty() && talk.last().startsWith("<- "))
                talk.last() += m.captured(2);
            else
                talk << m.captured(1) + u' ' + m.captured(2);
        }
        return talk;
    }
    // Every call that connected was escaped from ("+++") and hung up ("ATH") after it, before
    // anything else was dialled.
    [[nodiscard]] int callsHungUp() const
    {
        const QStringList talk = modemTalk();
        int calls = 0;
        int state = 0; // 0: no call, 1: connected, 2: escaped
        for (const QString& t : talk) {
            if (t.startsWith("<- ") && t.contains("CONNECT")) {
                if (state != 0)
                    return -1;
                state = 1;
            } else if (t == "-> +++" && state == 1) {
                state = 2;
            } else if (t == "-> ATH<0D>" && state == 2) {
                state = 0;
                ++calls;
            } else if (t.startsWith("-> ATD") && state != 0) {
                return -1;
            }
        }
        return state == 0 ? calls : -1;
    }

    QString dataFile(const QString& logger, int number = 1) const
    {
        QString name = dataFileName(logger, QDate::currentDate());
        if (number > 1)
            name.replace(QStringLiteral(".txt"), QStringLiteral("_%1.txt").arg(number));
        return QDir(out).filePath(name);
    }

    void checkProtocol()
    {
        QTest::qWait(300); // what the emulator said last reaches us
        QVERIFY2(sim.protocolErrors().isEmpty(), qPrintable(sim.protocolErrors().join(u'\n')));
    }
};

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the last CR LF
    return lines;
}

QDateTime stampOf(const QString& line)
{
    return QDateTime::fromString(line.left(19), QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

// "key=value" fields of a summary line.
QHash<QString, QString> summaryFields(const QString& line)
{
    QHash<QString, QString> fields;
    for (const QString& f : line.trimmed().split(u'\t'))
        fields.insert(f.section(u'=', 0, 0), f.section(u'=', 1));
    return fields;
}

} // namespace

class TestEndToEndCollect : public QObject
{
    Q_OBJECT
private slots:
    void cableSinceLastTwice();
    void cableWholeWithClockSync();
    void stationsWithABusyOneBetween();
    void silentLogger();
    void sigtermDuringTheDownload();
};

void TestEndToEndCollect::cableSinceLastTwice()
{
    Rig rig;
    QVERIFY(rig.start({"--fill", "20", "--timer", "1"}));
    const Run first = rig.collect(rig.onCable({"--since-last"}));
    QCOMPARE(first.exitCode, 0);
    const auto summary = summaryFields(first.out);
    QCOMPARE(summary.value("logger"), "SITE1");
    QCOMPARE(summary.value("file"), QDir::toNativeSeparators(rig.dataFile("SITE1")));
    QCOMPARE(summary.value("result"), "collected; first collection: the whole memory");
    const QStringList before = linesOf(rig.dataFile("SITE1"));
    QVERIFY(before.size() >= 20);
    QCOMPARE(summary.value("lines").toInt(), before.size());

    QTest::qWait(2500); // the logger acquires every second meanwhile
    const Run second = rig.collect(rig.onCable({"--since-last"}));
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(summaryFields(second.out).value("result"), "collected");
    // The day's second file: only what came after the first one, and all of it.
    const QStringList after = linesOf(rig.dataFile("SITE1", 2));
    QVERIFY2(after.size() >= 2, qPrintable(after.join(u'\n')));
    QCOMPARE(stampOf(after.first()), stampOf(before.last()).addSecs(1));
    const QStringList both = before + after;
    for (qsizetype i = 1; i < both.size(); ++i)
        QVERIFY2(stampOf(both[i]) > stampOf(both[i - 1]), qPrintable(both[i]));
    rig.checkProtocol();
}

void TestEndToEndCollect::cableWholeWithClockSync()
{
    Rig rig;
    QVERIFY(rig.start({"--fill", "25", "--clock-offset", "-600"}));
    const Run run = rig.collect(rig.onCable({"--all", "--sync-clock", "60", "--json"}));
    QCOMPARE(run.exitCode, 0);
    const QJsonObject logger = run.loggers().at(0).toObject();
    QCOMPARE(logger.value("lines").toInt(), 25);
    QCOMPARE(linesOf(rig.dataFile("SITE1")).size(), 25);
    // Ten minutes behind, within the minute the logger's clock gives.
    const int drift = logger.value("clockDriftSeconds").toInt();
    QVERIFY2(drift <= -540 && drift >= -660, qPrintable(QString::number(drift)));
    QVERIFY(logger.value("clockSet").toBool());
    const QString notes = logger.value("notes").toVariant().toStringList().join(u'|');
    QVERIFY2(notes.contains("after setting: Logger clock is"), qPrintable(notes));

    // In step now: a second run reports the drift and leaves the clock alone.
    const Run again = rig.collect(rig.onCable({"--all", "--sync-clock", "60", "--json"}));
    QCOMPARE(again.exitCode, 0);
    const QJsonObject next = again.loggers().at(0).toObject();
    QVERIFY(std::abs(next.value("clockDriftSeconds").toInt()) <= 60);
    QVERIFY(!next.value("clockSet").toBool());
    rig.checkProtocol();
}

void TestEndToEndCollect::stationsWithABusyOneBetween()
{
    Rig rig;
    QVERIFY(rig.start({}));
    QVERIFY(rig.stations(
        {{"STATION1", "0212345"}, {"ENGAGED", "5550000"}, {"STATION2", "0399887766"}}));
    const Run run = rig.collect(rig.overModem({"--all-stations", "--since-last"}));
    QCOMPARE(run.exitCode, 1);
    const QJsonArray loggers = run.loggers();
    QCOMPARE(loggers.size(), 3);
    for (const int i : {0, 2}) {
        const QJsonObject o = loggers.at(i).toObject();
        QVERIFY2(o.value("collected").toBool(), qPrintable(o.value("result").toString()));
        QVERIFY(o.value("hungUp").toBool());
        QCOMPARE(o.value("file").toString(),
                 QDir::toNativeSeparators(rig.dataFile(o.value("via").toString())));
        QCOMPARE(linesOf(o.value("file").toString()).size(), o.value("lines").toInt());
        QVERIFY(o.value("lines").toInt() >= 48);
    }
    const QJsonObject busy = loggers.at(1).toObject();
    QCOMPARE(busy.value("result").toString(), "not collected: the modem answered BUSY");
    QVERIFY(!busy.contains("hungUp"));
    QCOMPARE(rig.callsHungUp(), 2);
    // Each connection is recorded in the station list, as the program records one.
    const auto loaded = StationFiles(rig.folder).load();
    const QString today = QDate::currentDate().toString("dd/MM/yyyy");
    QCOMPARE(loaded.stations[0].Uldata, today);
    QCOMPARE(loaded.stations[1].Uldata, QString());
    QCOMPARE(loaded.stations[2].Uldata, today);
    rig.checkProtocol();
}

void TestEndToEndCollect::silentLogger()
{
    Rig rig;
    QVERIFY(rig.start({}));
    QVERIFY(rig.stations({{"SILENT", "5556666"}}));
    const Run run = rig.collect(rig.overModem({"--station", "SILENT"}));
    QCOMPARE(run.exitCode, 2);
    const QJsonObject o = run.loggers().at(0).toObject();
    QCOMPARE(o.value("result").toString(),
             "not collected: the call connected, but no logger answered on the line");
    QVERIFY(o.value("hungUp").toBool());
    QCOMPARE(rig.callsHungUp(), 1);
    QVERIFY(QDir(rig.out).entryList(QDir::Files).isEmpty());
    rig.checkProtocol();
}

void TestEndToEndCollect::sigtermDuringTheDownload()
{
    Rig rig;
    // 3000 acquisitions at 9600 baud: a transfer of minutes.
    QVERIFY(rig.start({"--fill", "3000", "--pace", "9600"}));
    QVERIFY(rig.stations({{"STATION1", "0212345"}}));
    // A mark from an earlier collection, which the stopped one must leave as it was.
    const QString markPath = QDir(rig.folder).filePath("since-last/STATION1.txt");
    QVERIFY(QDir().mkpath(QFileInfo(markPath).path()));
    const QByteArray mark = "01/01/2026\r\n01/01/2026 00:00:00,not in this memory\r\n";
    {
        QFile file(markPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(mark);
    }

    QProcess program;
    QElapsedTimer took;
    took.start();
    rig.begin(program, rig.overModem({"--station", "STATION1", "--since-last"}));
    const QString partial =
        QDir(rig.out).filePath(partialFileName(QFileInfo(rig.dataFile("STATION1")).fileName()));
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(partial).size() > 1000; }, 60000));
    program.terminate();
    const Run run = Rig::finish(program, took, 30000);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("SIGTERM"), qPrintable(run.err));
    const QJsonObject o = run.loggers().at(0).toObject();
    QCOMPARE(o.value("result").toString(), "not collected: stopped by SIGTERM");
    QVERIFY(o.value("hungUp").toBool());
    QCOMPARE(rig.callsHungUp(), 1);
    // What arrived is kept, under a name that says so; no data file, and the mark unmoved.
    QCOMPARE(o.value("file").toString(), QDir::toNativeSeparators(partial));
    QCOMPARE(linesOf(partial).size(), o.value("lines").toInt());
    QVERIFY(o.value("lines").toInt() > 10);
    QVERIFY(!QFileInfo::exists(rig.dataFile("STATION1")));
    QFile file(markPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), mark);
    rig.checkProtocol();
}

QTEST_GUILESS_MAIN(TestEndToEndCollect)
#include "tst_e2e_collect.moc"
