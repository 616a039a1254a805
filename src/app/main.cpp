// KORVELAN: the program for the operator of field data loggers.
#include "common/AppPaths.h"
#include "common/ComPortMap.h"
#include "common/Prompter.h"
#include "common/SimulatorProcess.h"
#include "link/Clock.h"
#include "link/LinkLog.h"
#include "link/LoggedChannel.h"
#include "link/LoggerSession.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/connection/SplashWindow.h"
#include "windows/linklog/LinkLogWindow.h"
#include "windows/main/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "korvelan: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace korvelan;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KORVELAN"));
    // The program ends when the connection window or the main window is closed, not when
    // the connection window hides to make way for the main window.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("KORVELAN, for the operator of field data loggers."));
    parser.addHelpOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Start the logger and modem emulator (korvelan-sim) and connect "
                       "COM 1 to its logger and COM 2 to its modem."));
    const QCommandLineOption com(
        QStringLiteral("com"),
        QStringLiteral("Open DEVICE for port COM N (1 to 8); may be given several times."),
        QStringLiteral("N=DEVICE"));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("Keep the program's settings files (og399.ini, ...) in DIR."),
        QStringLiteral("DIR"));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Write every exchange on the link to FILE as well, from start-up on."),
        QStringLiteral("FILE"));
    parser.addOptions({simulate, com, folder, log});
    parser.process(app);

    const AppPaths paths = AppPaths::forThisProgram(parser.value(folder));
    if (!paths.ensureExists())
        return fail(QStringLiteral("cannot create the folder %1").arg(paths.folder()));

    ComPortMap ports = ComPortMap::defaults();
    SimulatorProcess simulator;
    if (parser.isSet(simulate)) {
        const QString program = SimulatorProcess::findProgram(QApplication::applicationDirPath());
        if (program.isEmpty())
            return fail(
                QStringLiteral("korvelan-sim was not found beside the program or on the PATH"));
        QString error;
        if (!simulator.start(program, {}, &error))
            return fail(error);
        ports.set(1, simulator.devices().logger);
        ports.set(2, simulator.devices().modem);
    }
    for (const QString& text : parser.values(com)) {
        QString error;
        const auto mapping = ComPortMap::parseOverride(text, &error);
        if (!mapping)
            return fail(QStringLiteral("--com %1").arg(error));
        ports.apply(*mapping);
    }

    LoggerSession session;
    RealClock clock;
    MessageBoxPrompter prompter;
    LinkLog linkLog(clock);
    if (parser.isSet(log)) {
        QString error;
        if (!linkLog.writeTo(parser.value(log), &error))
            return fail(
                QStringLiteral("cannot write the link log %1: %2").arg(parser.value(log), error));
    }
    SerialChannel serial;
    LoggedChannel channel(serial, linkLog);
    Transport transport(session, channel, clock, prompter,
                        [&ports](int port) { return ports.device(port); });

    MainWindow mainWindow(transport, prompter, session);
    LinkLogWindow linkLogWindow(linkLog, prompter);
    mainWindow.setLinkLogWindow(&linkLogWindow);
    ConnectionWindow connection(transport, session, mainWindow, paths.portSettingsFile());
    QObject::connect(&connection, &ConnectionWindow::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&mainWindow, &MainWindow::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    SplashWindow splash;
    splash.run(clock, connection);
    return app.exec();
}
