// Renders the connection window and the main window, page by page, connected to the
// emulated logger, into PNG files. Usage: korvelan-screenshots OUTPUT_DIR
#include "../main/MainRig.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/main/FileArea.h"
#include "windows/main/MessagingGroup.h"
#include "windows/sensors/SensorWindow.h"

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace korvelan;

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
    return 0;
}
