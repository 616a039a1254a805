// korvelan-collect as a scheduler runs it, against korvelan-sim over pseudo-terminals, in
// real time: a pool of two modems with a station busy on its first call, then --status; a
// signal in the middle of the calls of a pool, with its exit status, its summary, the files it
// leaves and what each modem was sent; and a run that cannot start. The collector's cases are
// tested over the emulator in its own suite, and soaked by bench/collect/soak_collect.
#include "common/SimulatorProcess.h"
#include "download/DataFileName.h"
#include "remote/StationFiles.h"
#include "support/Files.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvelan;

namespace {

// The station list, and --modem/--com for each modem of the emulator's pool.
QStringList poolArguments(const QString& folder, const SimulatorProcess& sim,
                          const StationTable& table)
{
    QStringList args = {"--all-stations", "--folder", folder, "--json"};
    for (qsizetype i = 0; i < sim.devices().modems.size(); ++i)
        args << "--modem" << QString::number(i + 2) << "--com"
             << QStringLiteral("%1=%2").arg(i + 2).arg(sim.devices().modems[i]);
    const StationFiles files(folder);
    return QDir().mkpath(folder) && files.save(table, nullptr) ? args : QStringList();
}

QJsonArray loggersOf(QProcess& program)
{
    return QJsonDocument::fromJson(program.readAllStandardOutput()).object()["loggers"].toArray();
}

} // namespace

class TestEndToEndCollect : public QObject
{
    Q_OBJECT
private slots:
    void poolWithARetryThenStatus();
    void sigtermHangsUpEveryModem();
    void cannotStartStillAnswersInJson();
};

void TestEndToEndCollect::poolWithARetryThenStatus()
{
    QTemporaryDir dir;
    SimulatorProcess sim;
    QString error;
    QVERIFY2(sim.start(KORVELAN_SIM_PROGRAM,
                       {"--modems", "2", "--station", "0211=A,busy=1", "--station", "0212=B"},
                       &error),
             qPrintable(error));
    StationTable table;
    table[0] = {"A", "0211", {}, {}};
    table[1] = {"B", "0212", {}, {}};
    table[2] = {"NEVER", "", {}, {}}; // listed, never called
    const QStringList args = poolArguments(dir.path(), sim, table);
    QVERIFY(!args.isEmpty());
    QProcess program;
    // The logger on the cable is collected beside the two modems.
    program.start(KORVELAN_COLLECT_PROGRAM, args + QStringList{"--retry", "1", "--retry-after", "0",
                                                               "--device", sim.devices().logger});
    QVERIFY(program.waitForFinished(90000));
    QCOMPARE(program.exitCode(), 0);
    const QJsonArray loggers = loggersOf(program);
    QStringList files;
    QStringList order;
    for (const QJsonValue& logger : loggers) {
        const QJsonObject o = logger.toObject();
        order << QStringLiteral("%1 %2").arg(o["logger"].toString()).arg(o["attempts"].toInt());
        QCOMPARE(o["lines"].toInt(), 48);
        files << o["file"].toString();
    }
    // The cable first, then the list's order, whatever order they ended in.
    QCOMPARE(order, QStringList({"SITE1 1", "A 2", "B 1"}));
    QVERIFY(loggers[1].toObject()["notes"].toVariant().toStringList().contains(
        "attempt 1: not collected: the modem answered BUSY"));
    QCOMPARE(QSet<QString>(files.cbegin(), files.cend()).size(), 3);

    QProcess status;
    status.start(KORVELAN_COLLECT_PROGRAM, {"--status", "--max-age", "24", "--folder", dir.path()});
    QVERIFY(status.waitForFinished(10000));
    QCOMPARE(status.exitCode(), 1);
    const QStringList lines = QString::fromUtf8(status.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.size(), 5); // the cable after the list's stations, and the last line's end
    QVERIFY2(lines[0].startsWith("logger=A\tvia=A\tlast-collected=") &&
                 lines[0].endsWith("state=ok") && lines[1].endsWith("state=ok") &&
                 lines[2].endsWith("last-collected=never\tage=-\tlast-result=never "
                                   "tried\tstate=quiet"),
             qPrintable(lines.join('\n')));
    QTest::qWait(300);
    QVERIFY2(sim.protocolErrors().isEmpty(), qPrintable(sim.protocolErrors().join(u'\n')));
}

void TestEndToEndCollect::sigtermHangsUpEveryModem()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("program");
    const QString trace = dir.filePath("trace.txt");
    SimulatorProcess sim;
    QString error;
    // 3000 acquisitions at 9600 baud: transfers of minutes.
    QVERIFY2(sim.start(KORVELAN_SIM_PROGRAM,
                       {"--modems", "2", "--fill", "3000", "--pace", "9600", "--trace", trace,
                        "--station", "0212345=STATION1", "--station", "0399887766=STATION2"},
                       &error),
             qPrintable(error));
    StationTable table;
    table[0] = {"STATION1", "0212345", {}, {}};
    table[1] = {"STATION2", "0399887766", {}, {}};
    const QStringList args = poolArguments(folder, sim, table);
    QVERIFY(QDir().mkpath(folder + "/since-last") && !args.isEmpty());
    // A mark from an earlier collection, which the stopped one must leave as it was.
    const QString markPath = folder + "/since-last/STATION1.txt";
    const QByteArray mark = "01/01/2026\r\n01/01/2026 00:00:00,not in this memory\r\n";
    QVERIFY(test::writeBytes(markPath, mark));

    QProcess program;
    program.start(KORVELAN_COLLECT_PROGRAM, args + QStringList{"--since-last", "--out", folder});
    QStringList partials;
    for (const char* name : {"STATION1", "STATION2"})
        partials << QDir(folder).filePath(
            partialFileName(dataFileName(name, QDate::currentDate())));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return QFileInfo(partials[0]).size() > 1000 && QFileInfo(partials[1]).size() > 1000;
        },
        60000));
    program.terminate();
    QVERIFY(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardError().contains("SIGTERM"));
    const QJsonArray loggers = loggersOf(program);
    QCOMPARE(loggers.size(), 2);
    const QByteArray talk = test::readBytes(trace);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject o = loggers[i].toObject();
        QCOMPARE(o["result"].toString(), "not collected: stopped by SIGTERM");
        QCOMPARE(o["notes"].toArray().last().toString(), "hung up");
        // What arrived is kept, under a name that says so; no data file.
        QCOMPARE(o["file"].toString(), QDir::toNativeSeparators(partials[i]));
        QCOMPARE(test::readBytes(partials[i]).count("\r\n"), o["lines"].toInt());
        QVERIFY(o["lines"].toInt() > 10);
        // Each modem was told to escape, then to hang up.
        const QRegularExpression said(
            QStringLiteral("^%1 +\\S+ -> (\\+\\+\\+|ATH<0D>)").arg(i == 0 ? "modem" : "modem2"),
            QRegularExpression::MultilineOption);
        QStringList order;
        for (auto m = said.globalMatch(QString::fromLatin1(talk)); m.hasNext();)
            order << m.next().captured(1);
        QCOMPARE(order, QStringList({"+++", "ATH<0D>"}));
    }
    QCOMPARE(QDir(folder).entryList({"*_SENS.txt"}, QDir::Files).size(), 0);
    QCOMPARE(test::readBytes(markPath), mark);
    QCOMPARE(QDir(folder + "/since-last").entryList(QDir::Files).size(), 1);
    QTest::qWait(300); // what the emulator said last reaches us
    QVERIFY2(sim.protocolErrors().isEmpty(), qPrintable(sim.protocolErrors().join(u'\n')));
}

void TestEndToEndCollect::cannotStartStillAnswersInJson()
{
    QTemporaryDir dir; // no station list there
    QProcess program;
    program.start(KORVELAN_COLLECT_PROGRAM, {"--all-stations", "--folder", dir.path(), "--json"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 2);
    const QJsonObject root = QJsonDocument::fromJson(program.readAllStandardOutput()).object();
    QCOMPARE(root["exit"].toInt(), 2);
    QVERIFY(root["error"].toString().startsWith("the station list "));
}

QTEST_GUILESS_MAIN(TestEndToEndCollect)
#include "tst_e2e_collect.moc"
