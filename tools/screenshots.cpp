// Renders every window of the program, connected to the emulated logger, into PNG files: the
// connection window, the main window page by page, the sensor and alarm windows, a continuous
// reading with its chart, the modem window before and after a call, the link log and the
// about box. The FILE area shows a folder of its own, named as the program's default.
//
// Usage: korvelan-screenshots OUTPUT_DIR [--screen]
//   --screen  each window as the display shows it, the main window maximised, saved as
//             screen-NAME.png (run under xvfb-run -s "-screen 0 1024x768x24")
#include "link/LinkLog.h"
#include "windows/about/AboutBox.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/chart/Grafici.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/linklog/LinkLogWindow.h"
#include "windows/main/DownloadPage.h"
#include "windows/main/FileArea.h"
#include "windows/main/MainRig.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ReadNowGroup.h"
#include "windows/measurement/MisCont.h"
#include "windows/modem/ModemRig.h"
#include "windows/sensors/SensorWindow.h"
#include "windows/settings/SettingsActions.h"
#include "windows/settings/SettingsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>

using namespace korvelan;

namespace {

struct Output
{
    QDir dir;
    bool screen = false;

    // The window alone, or the whole display with the window on it.
    void save(QWidget& window, const QString& name) const
    {
        QApplication::processEvents();
        if (!screen) {
            window.grab().save(dir.filePath(name + QStringLiteral(".png")));
            return;
        }
        window.show();
        window.raise();
        QApplication::processEvents();
        QApplication::primaryScreen()->grabWindow(0).save(
            dir.filePath(QStringLiteral("screen-%1.png").arg(name)));
    }
    // Maximised on the display; as large as it asks in a picture of its own.
    void size(QWidget& window) const
    {
        if (screen)
            window.setGeometry(QApplication::primaryScreen()->availableGeometry());
        else
            window.resize(window.sizeHint());
    }
};

// A data folder as the program makes it at first, KORVELAN in a documents folder, with the
// folder list showing that home only.
QString showDataFolder(FileArea& area, const QTemporaryDir& home)
{
    const QString folder = QDir(home.path()).filePath(QStringLiteral("Documents/KORVELAN"));
    QDir().mkpath(folder);
    auto* folders = area.findChild<QTreeView*>(QStringLiteral("Dir1"));
    const auto* model = qobject_cast<const QFileSystemModel*>(folders->model());
    folders->setRootIndex(model->index(home.path()));
    area.setFolder(folder);
    return folder;
}

// Lets the folder and file lists, filled by a thread of their own, catch up.
void settle()
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The station list, a station chosen; then the same window once the call is up, and the
// main window it gave way to.
void renderModem(const Output& out, const QTemporaryDir& home)
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
    out.save(rig.window, QStringLiteral("modem"));

    showDataFolder(*rig.main.fileArea(), home);
    rig.window.Connetti();
    rig.pollUntilDone();
    rig.window.show();
    out.save(rig.window, QStringLiteral("modem-connected"));
    rig.window.hide();
    out.size(rig.main);
    settle();
    out.save(rig.main, QStringLiteral("main-modem"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    Output out{QDir(arguments.value(0, QStringLiteral("."))),
               arguments.contains(QStringLiteral("--screen"))};
    QDir().mkpath(out.dir.path());
    QTemporaryDir folder;
    QTemporaryDir home(QDir::temp().filePath(QStringLiteral("operator-XXXXXX")));
    test::MainRig rig;
    rig.channel.close();
    const QString data = showDataFolder(*rig.window.fileArea(), home);

    // This computer's clock in step with the emulated logger's.
    const auto wallClock = [&rig] {
        return test::rigWallClock().addMSecs(
            std::chrono::duration_cast<std::chrono::milliseconds>(rig.clock.elapsed()).count());
    };
    rig.window.nameClock().setWallClock(wallClock);
    ConnectionWindow connection(rig.transport, rig.session, rig.window,
                                QDir(folder.path()).filePath(QStringLiteral("og399.ini")));
    connection.show();
    connection.findChild<QRadioButton*>(QStringLiteral("Option10"))->setChecked(true);
    connection.Command1();
    connection.show();
    out.save(connection, QStringLiteral("connection"));
    connection.hide();

    // A download of the day, so that the data folder holds a file.
    rig.logger.fillMemory(48);
    rig.window.download().setDateSource([] { return test::rigWallClock().date(); });
    rig.window.download().Acquisisci();
    out.size(rig.window);
    settle();
    auto* tabs = rig.window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        const QString name = tabs->tabText(i).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        out.save(rig.window, QStringLiteral("main-%1").arg(name));
    }

    // The sensor and alarm windows, each after reading multiplexer 0.
    rig.window.Leggi_poprieta();
    auto& sensors = rig.window.sensors();
    sensors.Leggi_prop(0);
    out.save(sensors, QStringLiteral("sensors"));
    sensors.close();
    rig.window.messaging().Leggi_Allarmi();
    auto& alarms = rig.window.alarms();
    alarms.side().MESSAGGIO_PERSONALE_LEGGI();
    alarms.side().cmdLeggiFiltro();
    alarms.side().cmdContempLeggi();
    alarms.Leggi_all(0);
    out.save(alarms, QStringLiteral("alarms"));
    alarms.close();

    // The logger against a settings file saved before a few of its settings were changed:
    // the table "Compare with settings file…" shows, then the same with the ticks to apply it.
    auto& files = rig.window.settingsFiles();
    const QString saved = QDir(data).filePath(QStringLiteral("SITE1_SETTINGS.txt"));
    files.setFileChooser([&saved](bool, const QString&) { return saved; });
    files.saveSettings();
    auto& s = rig.logger.settings();
    s.timer.minutes = 15;
    s.calibrations[16].fullScalePhysical = 400;
    s.alerts[0].upper = 3300;
    s.gprs[2] = QStringLiteral("web.apn");
    s.sms.numbers[1] = QStringLiteral("+393387654321");
    for (const bool apply : {false, true}) {
        files.setDialogRunner([&out, apply](SettingsDialog& dialog) {
            out.save(dialog,
                     apply ? QStringLiteral("settings-apply") : QStringLiteral("settings-compare"));
            return false;
        });
        apply ? files.applySettings() : files.compareSettings();
    }
    s = sim::LoggerSettings::demo();

    // The link log with the exchanges so far, and the about box.
    LinkLog log(rig.clock, [] { return test::rigWallClock(); });
    for (const QString& command : rig.sent())
        log.note(QStringLiteral("-> ") + command);
    LinkLogWindow linkLog(log, rig.prompter);
    linkLog.show();
    out.save(linkLog, QStringLiteral("link-log"));
    linkLog.hide();
    rig.window.INFORMAZIONI();
    out.save(*rig.window.findChild<AboutBox*>(), QStringLiteral("about"));
    rig.window.findChild<AboutBox*>()->hide();

    // A continuous reading of a minute or so, the chart open beside it with every channel.
    rig.window.setProgramFolder(folder.path());
    rig.window.readNow().cmdApriMisuraContinua();
    MisCont& reading = *rig.window.readNow().misCont();
    reading.setWallClock(wallClock);
    reading.findChild<QCheckBox*>(QStringLiteral("chkDelta"))->setChecked(true);
    reading.setFileChooser([&data](QWidget*, const QString&, const QString& name) {
        return QDir(data).filePath(name);
    });
    QObject::connect(&reading, &MisCont::cycleCompleted, &reading, [&](qint64 n) {
        if (n == 1) {
            reading.cmdGraf();
            for (int k = 0; k < 4; ++k)
                reading.chart()->chkCH(k)->setChecked(true);
        }
        if (n == 120) {
            out.save(reading, QStringLiteral("continuous-reading"));
            out.save(*reading.chart(), QStringLiteral("chart"));
            reading.cmdStop();
        }
    });
    reading.cmdStart();
    reading.close();
    rig.window.hide();

    renderModem(out, home);
    return 0;
}
