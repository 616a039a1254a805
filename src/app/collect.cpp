// korvelan-collect: downloads loggers' memories for a schedule, with no one at the screen.
#include "collect/CollectOptions.h"
#include "collect/CollectReport.h"
#include "collect/CollectRun.h"
#include "collect/Collector.h"
#include "collect/ConsolePrompter.h"
#include "collect/StopSignal.h"
#include "common/AppPaths.h"
#include "common/ComPortMap.h"
#include "common/ProgramLink.h"
#include "link/Clock.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

using namespace korvelan;

const QString kProgram = QStringLiteral("korvelan-collect");

void printTo(std::FILE* out, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), out);
    std::fflush(out);
}

// A run that cannot start; with --json the scheduler still reads one JSON document.
int fail(const QString& message)
{
    printTo(stderr, kProgram + QStringLiteral(": ") + message + u'\n');
    if (QCoreApplication::arguments().contains(QStringLiteral("--json")))
        printTo(stdout, QString::fromUtf8(collectreport::jsonError(message)));
    return 2;
}

// Progress on a terminal: steps one a line, a transfer's state rewritten in place.
class TerminalProgress
{
public:
    void show(const QString& text, bool transient)
    {
        if (transient) {
            printTo(stderr, QStringLiteral("\r") + text + QStringLiteral("\x1b[K"));
            m_midLine = true;
            return;
        }
        endLine();
        printTo(stderr, text + u'\n');
    }
    void endLine()
    {
        if (std::exchange(m_midLine, false))
            printTo(stderr, QStringLiteral("\n"));
    }

private:
    bool m_midLine = false;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The same name as the program's, so the program folder is the same.
    QCoreApplication::setApplicationName(QStringLiteral("KORVELAN"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVELAN_VERSION));

    const ParsedCollectOptions parsed =
        parseCollectOptions(QCoreApplication::arguments(), QDate::currentDate());
    if (!parsed.options) {
        if (!parsed.error.isEmpty())
            return fail(parsed.error);
        printTo(stdout, parsed.output);
        return parsed.exitCode;
    }
    const CollectOptions& options = *parsed.options;

    const AppPaths paths = AppPaths::forThisProgram(options.folder);
    if (!paths.ensureExists())
        return fail(QStringLiteral("cannot make the program folder %1")
                        .arg(QDir::toNativeSeparators(paths.folder())));
    const QString out = options.out.isEmpty() ? paths.folder() : QDir(options.out).absolutePath();
    if (!QDir().mkpath(out))
        return fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(out)));

    ComPortMap ports = ComPortMap::defaults(ComPortMap::systemPorts());
    for (const auto& cable : options.cables) {
        if (!cable.device.isEmpty())
            ports.fix(cable.port, cable.device);
        else if (ports.device(cable.port).isEmpty())
            return fail(QStringLiteral("COM %1 opens no device here: give it one, --com %1=DEVICE")
                            .arg(cable.port));
    }
    for (const auto& mapping : options.portDevices)
        ports.apply(mapping);

    TerminalProgress terminal;
    const auto warn = [&terminal](const QString& text) {
        terminal.endLine();
        printTo(stderr, kProgram + QStringLiteral(": ") + text + u'\n');
    };
    RealClock clock;
    ConsolePrompter prompter(warn);
    ProgramLink link(clock, prompter, [&ports](int port) { return ports.device(port); });
    if (!options.log.isEmpty()) {
        QString error;
        const QString run = QStringLiteral("%1 %2 started, process %3")
                                .arg(kProgram, QStringLiteral(KORVELAN_VERSION))
                                .arg(QCoreApplication::applicationPid());
        if (!link.log.writeTo(options.log, run, &error))
            return fail(QStringLiteral("cannot write the link log %1: %2").arg(options.log, error));
        QObject::connect(&link.log, &LinkLog::fileFailed,
                         [&warn](const QString& path, const QString& reason) {
                             warn(QStringLiteral("the link log %1 cannot be written (%2): no more "
                                                 "lines go to it")
                                      .arg(path, reason));
                         });
    }

    Collector collector(link.transport, prompter,
                        {paths.folder(), out, options.range, options.dates, options.syncClockAbove,
                         options.dialLimit});
    if (isatty(fileno(stderr)))
        collector.setProgress(
            [&terminal](const QString& text, bool transient) { terminal.show(text, transient); });
    collector.setWarn(warn);
    collector.setSaveSettings(options.saveSettings);
    StopSignal stop;
    QObject::connect(&stop, &StopSignal::stopRequested, &stop,
                     [&collector](const QString& name) { collector.requestStop(name); });

    QString error;
    const QList<LoggerReport> reports =
        runCollection(collector, options, ports, paths.folder(), &error);
    terminal.endLine();
    if (reports.isEmpty())
        return fail(error.isEmpty() ? QStringLiteral("nothing to collect") : error);
    if (options.json) {
        printTo(stdout, QString::fromUtf8(collectreport::json(reports)));
    } else {
        for (const LoggerReport& report : reports)
            printTo(stdout, collectreport::summaryLine(report) + u'\n');
    }
    return collectreport::exitCode(reports);
}
