// The connection of the real program pieces (connection window, main window, serial port,
// real clock) to korvelan-sim over a pseudo-terminal, and the program's command line.
#include "common/ComPortMap.h"
#include "common/SimulatorProcess.h"
#include "link/Clock.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "support/ScriptedPrompter.h"
#include "ui/FieldEdit.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/main/MainWindow.h"
#include "windows/sensors/SensorWindow.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvelan;

class TestEndToEndConnection : public QObject
{
    Q_OBJECT
private slots:
    void connectsToTheEmulator();
    void commandLine_data();
    void commandLine();
};

void TestEndToEndConnection::connectsToTheEmulator()
{
    SimulatorProcess sim;
    QString error;
    QVERIFY2(sim.start(QStringLiteral(KORVELAN_SIM_PROGRAM),
                       {QStringLiteral("--name"), QStringLiteral("E2E/7"),
                        QStringLiteral("--model"), QStringLiteral("3")},
                       &error),
             qPrintable(error));

    ComPortMap ports = ComPortMap::unixDefaults({});
    ports.fix(1, sim.devices().logger);
    ports.fix(2, sim.devices().modem);

    QTemporaryDir dir;
    LoggerSession session;
    SerialChannel channel;
    RealClock clock;
    test::ScriptedPrompter prompter;
    Transport transport(session, channel, clock, prompter,
                        [&ports](int p) { return ports.device(p); });
    MainWindow mainWindow(transport, prompter, session);
    ConnectionWindow form(transport, session, mainWindow,
                          dir.filePath(QStringLiteral("og399.ini")));
    form.show();
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("lblDevice0"))->text(), sim.devices().logger);

    QElapsedTimer took;
    took.start();
    form.findChild<QRadioButton*>(QStringLiteral("Option10"))->setChecked(true);
    form.Command1();
    qInfo("connection sequence: %lld ms", static_cast<long long>(took.elapsed()));

    QVERIFY2(prompter.shown.isEmpty(), qPrintable(prompter.texts().join(QLatin1Char('|'))));
    QVERIFY2(form.logText().endsWith(QStringLiteral("Acquisition: OK")),
             qPrintable(form.logText()));
    QVERIFY(form.logText().startsWith(
        QStringLiteral("Datalogger Found\r\nRetrieving internal parameters")));
    QVERIFY(!form.isVisible());
    QVERIFY(mainWindow.isVisible());
    QCOMPARE(mainWindow.Nome_Centralina()->text(), QStringLiteral("E2E/7"));
    QCOMPARE(int(session.ModelloLogger), 3);
    QCOMPARE(mainWindow.Nome_File_Dati()->text().section(QLatin1Char('_'), 0, 0),
             QStringLiteral("E2E"));
    QVERIFY(mainWindow.Nome_File_Dati()->text().endsWith(QStringLiteral("_VW.txt")));
    // Probe (3 s settle + 1 s) and the reads: a few seconds, not minutes of time-outs.
    QVERIFY(took.elapsed() > 4000);
    QVERIFY(took.elapsed() < 30000);

    // A window of its own on the same line: the sensor records of multiplexer 0.
    mainWindow.Leggi_poprieta();
    auto& sensors = mainWindow.sensors();
    sensors.Leggi_prop(0);
    QCOMPARE(sensors.NomeCanali(3)->text(), QStringLiteral("CH3"));
    QVERIFY(sensors.chkBanco(0)->isChecked());
    sensors.close();
    QVERIFY(mainWindow.isVisible());
    transport.Chiudi_Seriale();
    QTest::qWait(200); // what the emulator said last reaches us
    QVERIFY2(sim.protocolErrors().isEmpty(), qPrintable(sim.protocolErrors().join(u'\n')));
}

void TestEndToEndConnection::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    QTest::newRow("help") << QStringList{"--help"} << 0 << "--simulate";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "KORVELAN ";
    QTest::newRow("port out of range") << QStringList{"--com", "9=/dev/null"} << 2 << "1 to 8";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 1 << "frobnicate";
    QTest::newRow("no display for the windows") << QStringList{} << 1 << "xvfb-run";
}

void TestEndToEndConnection::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    // On a machine without a display: all of these are answered before a window is needed.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DISPLAY"), QString());
    QTemporaryDir dir;
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(KORVELAN_PROGRAM),
                  arguments + QStringList{QStringLiteral("--folder"), dir.path()});
    QVERIFY(program.waitForFinished(10000));
    const QString printed = QString::fromLocal8Bit(program.readAll());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY2(printed.contains(output), qPrintable(printed));
}

QTEST_MAIN(TestEndToEndConnection)
#include "tst_e2e_connection.moc"
