// A remote station reached through korvelan-sim's modem over a pseudo-terminal, in real time:
// dial it, land in its main window, hang up. A download over such a call is run end to end
// by the collector's test.
#include "common/ComPortMap.h"
#include "common/SimulatorProcess.h"
#include "link/Clock.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "remote/CarrierWatch.h"
#include "support/ScriptedPrompter.h"
#include "ui/FieldEdit.h"
#include "windows/main/FileArea.h"
#include "windows/main/MainWindow.h"
#include "windows/modem/ModemWindow.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvelan;
using namespace std::chrono;

class TestEndToEndModem : public QObject
{
    Q_OBJECT
private slots:
    void dialAndHangUp();
};

void TestEndToEndModem::dialAndHangUp()
{
    SimulatorProcess sim;
    QString error;
    QVERIFY2(sim.start(QStringLiteral(KORVELAN_SIM_PROGRAM), {}, &error), qPrintable(error));
    ComPortMap ports = ComPortMap::unixDefaults({});
    ports.fix(2, sim.devices().modem);
    QTemporaryDir dir;
    const StationFiles files(dir.path());
    StationTable stations;
    stations[0] = {QStringLiteral("STATION1"), QStringLiteral("0212345"), {}, {}};
    QVERIFY(files.save(stations, nullptr) && files.savePort(2, nullptr));

    LoggerSession session;
    session.PortaSempreAperta = true; // as "Modem Connection" leaves it
    SerialChannel port;
    RealClock clock;
    CarrierWatch channel(port, clock);
    test::ScriptedPrompter prompter;
    Transport transport(session, channel, clock, prompter, [&](int p) { return ports.device(p); });
    MainWindow mainWindow(transport, prompter, session);
    mainWindow.fileArea()->setFolder(dir.path());
    QWidget connection;
    ModemWindow modem(transport, prompter, mainWindow, dir.path(), &connection);

    QElapsedTimer took;
    took.start();
    modem.open();
    QVERIFY2(modem.text1().startsWith("Modem found on Com 2"), qPrintable(modem.text1()));
    modem.Sel(0);
    modem.Connetti();
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow.isVisible(), 30000);
    qInfo("dial to main window: %lld ms", static_cast<long long>(took.elapsed()));
    QCOMPARE(modem.text1(), "Acquisition enabling: OK");
    QCOMPARE(mainWindow.Nome_Centralina()->text().trimmed(), "STATION1");
    QVERIFY2(prompter.shown.isEmpty(), qPrintable(prompter.texts().join('|')));

    // Closing the program closes the port, and the modem hangs up: it takes commands again.
    mainWindow.close();
    QTest::qWait(300);
    SerialChannel again;
    again.setPortName(sim.devices().modem);
    QVERIFY(again.open(LineSettings{}, nullptr));
    again.write("AT\r");
    QByteArray answer;
    QTRY_VERIFY_WITH_TIMEOUT((answer += again.readAll()).contains("OK"), 3000);
}

QTEST_MAIN(TestEndToEndModem)
#include "tst_e2e_modem.moc"
