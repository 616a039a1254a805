// Renders the connection window, the main window page by page, the sensor and alarm windows,
// a continuous reading with its chart, connected to the emulated logger, and the modem window
// before and after a call, into PNG files.
// Usage: korvelan-screenshots OUTPUT_DIR
#include "../../remote/ModemRig.h"
#include "../main/MainRig.h"
#include "charts/Grafici.h"
#include "measurement/MisCont.h"
#include "measurement/ReadNowGroup.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/main/FileArea.h"
#include "windows/main/MessagingGroup.h"
#include "windows/sensors/SensorWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace korvelan;

namespace {

// The station list, a station chosen; then the same window once the call is up, and the
// main window it gave way to.
void renderModem(const QDir& out)
{
    test::ModemRig rig;
    StationTable table;
    const char* const names[] = {"BH-01 NORD", "BH-02 NORD", "PIEZO 7", "STATION1", "SILENT"};
    const char* const numbers[] = {"3471234567", "3471234568", "3489876543", "0212345", "5556666"};
    for (int i = 0; i < 5; ++i)
        table[size_t(i)] = {QString::fromLatin1(names[i]), QString::fromLatin1(numbers[i]),
                            QStringLiteral("31/12/2027"),
                            i < 3 ? QStringLiteral("0%1/11/2026").arg(i + 1) : QString()};
    rig.files.save(table, nullptr);
    rig.files.savePort(2, nullptr);
    rig.open(false);
    rig.window.Sel(3);
    QApplication::processEvents();
    rig.window.grab().save(out.filePath(QStringLiteral("modem.png")));

    rig.main.fileArea()->setFolder(QDir::homePath());
    rig.window.Connetti();
    rig.pollUntilDone();
    rig.window.grab().save(out.filePath(QStringLiteral("modem-connected.png")));
    rig.main.resize(rig.main.sizeHint().expandedTo(QSize(900, 560)));
    QApplication::processEvents();
    rig.main.grab().save(out.filePath(QStringLiteral("main-modem.png")));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QDir().mkpath(out.path());
    QTemporaryDir folder;
    test::MainRig rig;
    rig.channel.close();
    rig.window.fileArea()->setFolder(QDir::homePath());

    ConnectionWindow connection(rig.transport, rig.session, rig.window,
                                QDir(folder.path()).filePath(QStringLiteral("og399.ini")));
    connection.show();
    connection.findChild<QRadioButton*>(QStringLiteral("Option10"))->setChecked(true);
    connection.Command1();
    QApplication::processEvents();
    connection.grab().save(out.filePath(QStringLiteral("connection.png")));

    rig.window.resize(rig.window.sizeHint().expandedTo(QSize(900, 560)));
    auto* tabs = rig.window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const QString name = tabs->tabText(i).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        rig.window.grab().save(out.filePath(QStringLiteral("main-%1.png").arg(name)));
    }

    // The sensor and alarm windows, each after reading multiplexer 0.
    rig.window.Leggi_poprieta();
    auto& sensors = rig.window.sensors();
    sensors.Leggi_prop(0);
    QApplication::processEvents();
    sensors.grab().save(out.filePath(QStringLiteral("sensors.png")));
    sensors.close();
    rig.window.messaging().Leggi_Allarmi();
    auto& alarms = rig.window.alarms();
    alarms.MESSAGGIO_PERSONALE_LEGGI();
    alarms.cmdLeggiFiltro();
    alarms.cmdContempLeggi();
    alarms.Leggi_all(0);
    QApplication::processEvents();
    alarms.grab().save(out.filePath(QStringLiteral("alarms.png")));
    alarms.close();

    // A continuous reading of a minute or so, the chart open beside it with every channel.
    rig.window.setProgramFolder(folder.path());
    rig.window.readNow().cmdApriMisuraContinua();
    MisCont& reading = *rig.window.readNow().misCont();
    reading.setWallClock([&rig] {
        return test::rigWallClock().addMSecs(
            std::chrono::duration_cast<std::chrono::milliseconds>(rig.clock.elapsed()).count());
    });
    reading.findChild<QCheckBox*>(QStringLiteral("chkDelta"))->setChecked(true);
    reading.setFileChooser([&folder](QWidget*, const QString&, const QString& name) {
        return QDir(folder.path()).filePath(name);
    });
    QObject::connect(&reading, &MisCont::cycleCompleted, &reading, [&](qint64 n) {
        if (n == 1) {
            reading.cmdGraf();
            for (int k = 0; k < 4; ++k)
                reading.chart()->chkCH(k)->setChecked(true);
        }
        if (n == 120) {
            QApplication::processEvents();
            reading.grab().save(out.filePath(QStringLiteral("continuous-reading.png")));
            reading.chart()->grab().save(out.filePath(QStringLiteral("chart.png")));
            reading.cmdStop();
        }
    });
    reading.cmdStart();

    renderModem(out);
    return 0;
}
