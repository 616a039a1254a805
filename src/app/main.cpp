// KORVELAN: the program for the operator of field data loggers.
#include "common/AppPaths.h"
#include "common/ComPortMap.h"
#include "common/DataFolder.h"
#include "common/ProgramLink.h"
#include "common/SimulatorProcess.h"
#include "link/Clock.h"
#include "ui/MessageBoxPrompter.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/connection/SplashWindow.h"
#include "windows/linklog/LinkLogWindow.h"
#include "windows/main/FileArea.h"
#include "windows/main/MainWindow.h"
#include "windows/modem/ModemWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace korvelan;

int fail(const QString& message, int code = 2)
{
    std::fprintf(stderr, "korvelan: %s\n", qPrintable(message));
    return code;
}

// The command line, read before any window exists: --help, --version and a mistake are
// answered without a display.
struct Options
{
    bool simulate = false;
    QString folder;
    QString log;
    QList<ComPortMap::Override> ports;
};

struct Parsed
{
    std::optional<Options> options;
    int exitCode = 0; // when there are no options to run with
};

Parsed parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("KORVELAN, for the operator of field data loggers."));
    // Qt's own options (-platform offscreen, -style fusion) go to the application unchanged.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Start the logger and modem emulator (korvelan-sim) and connect "
                       "COM 1 to its logger and COM 2 to its modem."));
    const QCommandLineOption com(
        QStringLiteral("com"),
        QStringLiteral("Open DEVICE for port COM N (1 to 8), for example "
                       "1=/dev/serial/by-id/usb-FTDI_...; may be given several times."),
        QStringLiteral("N=DEVICE"));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("Keep the program's settings files (og399.ini, ...) in DIR."),
        QStringLiteral("DIR"));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Write every exchange on the link to FILE as well, from start-up on."),
        QStringLiteral("FILE"));
    QList<QCommandLineOption> qtOptions;
    for (const char* name : {"platform", "style", "stylesheet", "qwindowgeometry"}) {
        qtOptions << QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("x"));
        qtOptions.back().setFlags(QCommandLineOption::HiddenFromHelp);
    }
    parser.addOptions({simulate, com, folder, log});
    parser.addOptions(qtOptions);

    if (!parser.parse(arguments))
        return {
            std::nullopt,
            fail(parser.errorText() + QStringLiteral(" (korvelan --help lists the options)"), 1)};
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // Without an application object the parser cannot know the program's name.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("korvelan"));
        std::fputs(qPrintable(text), stdout);
        return {std::nullopt, 0};
    }
    if (parser.isSet(version)) {
        std::printf("KORVELAN %s\n", KORVELAN_VERSION);
        return {std::nullopt, 0};
    }
    if (!parser.positionalArguments().isEmpty())
        return {std::nullopt, fail(QStringLiteral("unexpected argument \"%1\"")
                                       .arg(parser.positionalArguments().first()),
                                   1)};
    Options options;
    options.simulate = parser.isSet(simulate);
    options.folder = parser.value(folder);
    options.log = parser.value(log);
    for (const QString& text : parser.values(com)) {
        QString error;
        const auto mapping = ComPortMap::parseOverride(text, &error);
        if (!mapping)
            return {std::nullopt, fail(QStringLiteral("--com %1").arg(error))};
        options.ports << *mapping;
    }
    return {options, 0};
}

// Without a display Qt would end the program with an abort and a core dump; say what to do.
bool displayMissing(const QStringList& arguments)
{
#if defined(Q_OS_LINUX)
    const auto set = [](const char* name) { return !qEnvironmentVariableIsEmpty(name); };
    return !set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM") &&
           !arguments.contains(QStringLiteral("-platform")) &&
           !arguments.contains(QStringLiteral("--platform"));
#else
    (void)arguments;
    return false;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Parsed parsed = parseCommandLine(arguments);
    if (!parsed.options)
        return parsed.exitCode;
    const Options& options = *parsed.options;
    if (displayMissing(arguments))
        return fail(QStringLiteral("no display: DISPLAY and WAYLAND_DISPLAY are not set. The "
                                   "windows need a desktop; without one, run it in a virtual "
                                   "display: xvfb-run -a korvelan ..."),
                    1);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KORVELAN"));
    QApplication::setApplicationVersion(QStringLiteral(KORVELAN_VERSION));
    // The program ends when the connection window or the main window is closed, not when
    // the connection window hides to make way for the main window.
    QApplication::setQuitOnLastWindowClosed(false);

    const AppPaths paths = AppPaths::forThisProgram(options.folder);
    if (!paths.ensureExists())
        return fail(QStringLiteral("cannot create the folder %1").arg(paths.folder()));

    ComPortMap ports = ComPortMap::defaults(ComPortMap::systemPorts());
    SimulatorProcess simulator;
    if (options.simulate) {
        const QString program = SimulatorProcess::findProgram(QApplication::applicationDirPath());
        if (program.isEmpty())
            return fail(
                QStringLiteral("korvelan-sim was not found beside the program or on the PATH"));
        QString error;
        if (!simulator.start(program, {}, &error))
            return fail(error);
        ports.fix(1, simulator.devices().logger, QStringLiteral("korvelan-sim logger"));
        ports.fix(2, simulator.devices().modem, QStringLiteral("korvelan-sim modem"));
    }
    for (const auto& mapping : options.ports)
        ports.apply(mapping);

    RealClock clock;
    MessageBoxPrompter prompter;
    ProgramLink link(clock, prompter, [&ports](int port) { return ports.device(port); });
    if (!options.log.isEmpty()) {
        QString error;
        const QString run = QStringLiteral("korvelan %1 started, process %2")
                                .arg(QStringLiteral(KORVELAN_VERSION))
                                .arg(QCoreApplication::applicationPid());
        if (!link.log.writeTo(options.log, run, &error))
            return fail(QStringLiteral("cannot write the link log %1: %2").arg(options.log, error));
        // The log window shows it too, among the lines.
        QObject::connect(&link.log, &LinkLog::fileFailed,
                         [](const QString& path, const QString& reason) {
                             fail(QStringLiteral("the link log %1 cannot be written (%2): no more "
                                                 "lines go to it")
                                      .arg(path, reason));
                         });
    }

    MainWindow mainWindow(link.transport, prompter, link.session);
    LinkLogWindow linkLogWindow(link.log, prompter);
    mainWindow.setLinkLogWindow(&linkLogWindow);
    const DataFolder dataFolder(paths.settingsFile());
    FileArea* fileArea = mainWindow.fileArea();
    fileArea->setFolder(dataFolder.initial());
    QObject::connect(fileArea, &FileArea::folderChanged,
                     [&dataFolder](const QString& folder) { dataFolder.remember(folder); });

    mainWindow.setProgramFolder(paths.folder());
    ConnectionWindow connection(link.transport, link.session, mainWindow, paths.portSettingsFile());
    connection.setPorts(ports, &ComPortMap::systemPorts);
    ModemWindow modem(link.transport, prompter, mainWindow, paths.folder(), &connection);
    connection.setModemWindow([&modem] { modem.open(); });
    connection.setLinkLogWindow(&linkLogWindow);
    QObject::connect(&connection, &ConnectionWindow::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&mainWindow, &MainWindow::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    SplashWindow splash;
    splash.run(clock, connection);
    return app.exec();
}
