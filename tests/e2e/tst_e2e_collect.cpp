// korvelan-collect as a scheduler runs it, against korvelan-sim over pseudo-terminals, in
// real time: a signal in the middle of a call, with its exit status, its summary, the files it
// leaves and what the modem was sent; and a run that cannot start. The collector's cases are
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

class TestEndToEndCollect : public QObject
{
    Q_OBJECT
private slots:
    void sigtermDuringTheDownload();
    void cannotStartStillAnswersInJson();
};

void TestEndToEndCollect::sigtermDuringTheDownload()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("program");
    const QString out = dir.filePath("data");
    const QString trace = dir.filePath("trace.txt");
    SimulatorProcess sim;
    QString error;
    // 3000 acquisitions at 9600 baud: a transfer of minutes.
    QVERIFY2(sim.start(KORVELAN_SIM_PROGRAM, {"--fill", "3000", "--pace", "9600", "--trace", trace},
                       &error),
             qPrintable(error));
    StationTable table;
    table[0] = {"STATION1", "0212345", {}, {}};
    QVERIFY(QDir().mkpath(folder + "/since-last"));
    QVERIFY(StationFiles(folder).save(table, nullptr) && StationFiles(folder).savePort(2, nullptr));
    // A mark from an earlier collection, which the stopped one must leave as it was.
    const QString markPath = folder + "/since-last/STATION1.txt";
    const QByteArray mark = "01/01/2026\r\n01/01/2026 00:00:00,not in this memory\r\n";
    QVERIFY(test::writeBytes(markPath, mark));

    QProcess program;
    program.start(KORVELAN_COLLECT_PROGRAM,
                  {"--station", "STATION1", "--since-last", "--com", "2=" + sim.devices().modem,
                   "--folder", folder, "--out", out, "--json"});
    const QString data = QDir(out).filePath(dataFileName("STATION1", QDate::currentDate()));
    const QString partial = QDir(out).filePath(partialFileName(QFileInfo(data).fileName()));
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(partial).size() > 1000; }, 60000));
    program.terminate();
    QVERIFY(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardError().contains("SIGTERM"));
    const QJsonObject o = QJsonDocument::fromJson(program.readAllStandardOutput())
                              .object()["loggers"]
                              .toArray()
                              .at(0)
                              .toObject();
    QCOMPARE(o["result"].toString(), "not collected: stopped by SIGTERM");
    QCOMPARE(o["notes"].toArray().last().toString(), "hung up");
    // The modem was told to escape, then to hang up.
    const QByteArray talk = test::readBytes(trace);
    QVERIFY(talk.indexOf("-> +++") > 0 && talk.indexOf("-> ATH<0D>") > talk.indexOf("-> +++"));
    // What arrived is kept, under a name that says so; no data file, and the mark unmoved.
    QCOMPARE(o["file"].toString(), QDir::toNativeSeparators(partial));
    QCOMPARE(test::readBytes(partial).count("\r\n"), o["lines"].toInt());
    QVERIFY(o["lines"].toInt() > 10 && !QFileInfo::exists(data));
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
