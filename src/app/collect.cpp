// korvelan-collect: downloads loggers' memories for a schedule, with no one at the screen.
#include "collect/CollectHistory.h"
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
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRecursiveMutex>
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

// The workers of a pool print from threads of their own: one line at a time.
QRecursiveMutex g_printing;

void printTo(std::FILE* out, const QString& text)
{
    const QMutexLocker lock(&g_printing);
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
        const QMutexLocker lock(&g_printing);
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
        const QMutexLocker lock(&g_printing);
        if (std::exchange(m_midLine, false))
            printTo(stderr, QStringLiteral("\n"));
    }

private:
    bool m_midLine = false;
};

// A collector with a link of its own, for one port of a run.
struct PortCollector
{
    PortCollector(const ComPortMap& ports, int port, const QString& device,
                  const Collector::Settings& settings, const ConsolePrompter::Print& warn)
        : prompter(warn),
          link(clock, prompter,
               [&ports, port, device](int p) { return p == port ? device : ports.device(p); }),
          collector(link.transport, prompter, settings)
    {}
    RealClock clock;
    ConsolePrompter prompter;
    ProgramLink link;
    Collector collector;
};

// --status: when each logger was last collected, from the history file.
int showStatus(const CollectOptions& options, const AppPaths& paths)
{
    std::optional<StationTable> stations;
    const StationFiles files(paths.folder());
    if (QFileInfo::exists(files.modemPath()))
        stations = files.load().stations;
    const QList<collecthistory::Status> loggers = collecthistory::status(
        stations ? &*stations : nullptr, collecthistory::load(paths.folder()));
    if (loggers.isEmpty())
        return fail(QStringLiteral("no station list and no collection history in %1")
                        .arg(QDir::toNativeSeparators(paths.folder())));
    const QDateTime now = QDateTime::currentDateTime();
    const bool anyQuiet =
        options.maxAgeHours &&
        std::any_of(loggers.cbegin(), loggers.cend(), [&](const collecthistory::Status& s) {
            return collecthistory::quiet(s, now, *options.maxAgeHours);
        });
    const int exit = anyQuiet ? 1 : 0;
    if (!options.json) {
        for (const auto& s : loggers)
            printTo(stdout, collecthistory::statusLine(s, now, options.maxAgeHours) + u'\n');
        return exit;
    }
    QJsonArray list;
    for (const auto& s : loggers) {
        QJsonObject o{
            {QStringLiteral("logger"), s.logger},
            {QStringLiteral("via"), s.via},
            {QStringLiteral("cable"), s.cable},
            {QStringLiteral("lastCollected"),
             s.lastCollected ? s.lastCollected->time.toString(Qt::ISODate) : QJsonValue()},
            {QStringLiteral("ageHours"),
             s.lastCollected ? s.lastCollected->time.secsTo(now) / 3600.0 : QJsonValue()},
            {QStringLiteral("lastResult"), s.last ? s.last->result : QJsonValue()}};
        if (options.maxAgeHours)
            o.insert(QStringLiteral("quiet"), collecthistory::quiet(s, now, *options.maxAgeHours));
        list.append(o);
    }
    const QJsonObject root{{QStringLiteral("exit"), exit}, {QStringLiteral("loggers"), list}};
    printTo(stdout, QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)));
    return exit;
}

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
    if (options.status)
        return showStatus(options, paths);
    if (!paths.ensureExists())
        return fail(QStringLiteral("cannot make the program folder %1")
                        .arg(QDir::toNativeSeparators(paths.folder())));
    const QString out = options.out.isEmpty() ? paths.folder() : QDir(options.out).absolutePath();
    if (!QDir().mkpath(out))
        return fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(out)));

    ComPortMap ports = ComPortMap::defaults(ComPortMap::systemPorts());
    for (const auto& mapping : options.portDevices)
        ports.apply(mapping);
    for (const auto& cable : options.cables) {
        if (!cable.device.isEmpty() && !options.overModem())
            ports.fix(cable.port, cable.device);
        else if (cable.device.isEmpty() && ports.device(cable.port).isEmpty())
            return fail(QStringLiteral("COM %1 opens no device here: give it one, --com %1=DEVICE")
                            .arg(cable.port));
    }

    TerminalProgress terminal;
    const auto warn = [&terminal](const QString& text) {
        terminal.endLine();
        printTo(stderr, kProgram + QStringLiteral(": ") + text + u'\n');
    };
    const QString runStart = QStringLiteral("%1 %2 started, process %3")
                                 .arg(kProgram, QStringLiteral(KORVELAN_VERSION))
                                 .arg(QCoreApplication::applicationPid());
    // Several ports share the link log: the run's line first, then each port's lines marked.
    const qsizetype modems =
        options.overModem() ? std::max<qsizetype>(1, options.modems.size()) : 0;
    const bool sharedLog = !options.log.isEmpty() && options.cables.size() + modems > 1;
    if (!options.log.isEmpty()) {
        // A log that cannot be written stops the run before anything is done.
        RealClock clock;
        LinkLog first(clock);
        QString error;
        QFile file(options.log);
        if (sharedLog ? !first.writeTo(options.log, runStart, &error)
                      : !file.open(QIODevice::WriteOnly | QIODevice::Append))
            return fail(QStringLiteral("cannot write the link log %1: %2")
                            .arg(options.log, sharedLog ? error : file.errorString()));
    }
    const Collector::Settings settings{paths.folder(),         out,
                                       options.range,          options.dates,
                                       options.syncClockAbove, options.dialLimit};
    const bool showProgress = isatty(fileno(stderr));
    CollectRun run([&](int port, const QString& device) {
        auto made = std::make_shared<PortCollector>(ports, port, device, settings, warn);
        Collector& collector = made->collector;
        if (!options.log.isEmpty()) {
            QString error;
            const QString label = QStringLiteral("[COM %1]").arg(port);
            if (sharedLog)
                made->link.log.setLabel(label);
            if (!made->link.log.writeTo(options.log,
                                        sharedLog ? label + QStringLiteral(" ") +
                                                        QDir::toNativeSeparators(device)
                                                  : runStart,
                                        &error))
                warn(QStringLiteral("the link log %1 cannot be written (%2)")
                         .arg(options.log, error));
            QObject::connect(&made->link.log, &LinkLog::fileFailed,
                             [&warn](const QString& path, const QString& reason) {
                                 warn(QStringLiteral("the link log %1 cannot be written (%2): no "
                                                     "more lines go to it")
                                          .arg(path, reason));
                             });
        }
        if (showProgress)
            collector.setProgress([&terminal](const QString& text, bool transient) {
                terminal.show(text, transient);
            });
        collector.setWarn(warn);
        collector.setSaveSettings(options.saveSettings);
        return std::shared_ptr<Collector>(made, &collector);
    });
    StopSignal stop;
    QObject::connect(&stop, &StopSignal::stopRequested, &stop,
                     [&run](const QString& name) { run.requestStop(name); });

    QString error;
    const QList<LoggerReport> reports = run.run(options, ports, paths.folder(), &error);
    terminal.endLine();
    if (reports.isEmpty())
        return fail(error.isEmpty() ? QStringLiteral("nothing to collect") : error);
    QList<collecthistory::Row> history;
    for (const LoggerReport& report : reports)
        history << collecthistory::rowOf(
            report, report.finishedAt.isValid() ? report.finishedAt : QDateTime::currentDateTime());
    if (!collecthistory::append(paths.folder(), history, &error))
        warn(QStringLiteral("the collection history cannot be written: ") + error);
    if (options.json) {
        printTo(stdout, QString::fromUtf8(collectreport::json(reports)));
    } else {
        for (const LoggerReport& report : reports)
            printTo(stdout, collectreport::summaryLine(report) + u'\n');
    }
    return collectreport::exitCode(reports);
}
