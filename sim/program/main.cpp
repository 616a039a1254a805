// korvelan-sim: a logger and a modem with its stations, on pseudo-terminals, in real time.
#include "PtyEndpoint.h"
#include "sim/LoggerEmulator.h"
#include "sim/ModemEmulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace korvelan;
using namespace korvelan::sim;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
}

struct Options
{
    int memory = AcquisitionMemory::kDefaultCapacity;
    int fill = 48;
    int model = 0;
    int timer = 0;
    qint64 clockOffset = 0;
    QString name = QStringLiteral("SITE1");
    int modems = 1;
    QStringList stations;
    QStringList busy;
    Pace pace = Pace::Instant;
    int silentFrom = 0;
    int silentAfterReadings = -1;
    int replyMs = -1;
    int readingMs = -1;
    int garbage = -1;
    std::optional<LoggerEmulator::ReplyFault> replyFault;
    qint64 dropAfter = -1;
    bool strict = false;
    bool wrap = false;
    int splitResults = 0;
    QString traceFile;
    QString linkDir;
    bool exitOnStdinClose = false;
};

const QString kDescription = QStringLiteral(
    "Emulates a KORVELAN field data logger and a modem with remote stations on pseudo-terminals.\n"
    "Prints one line per device, \"logger PATH\" and \"modem PATH\" (\"modem2 PATH\", ... for a\n"
    "pool), one \"station NUMBER NAME\" line per station in the modems' directory, then "
    "\"ready\".\n"
    "Point the program's COM ports at the paths. Runs until interrupted (Ctrl-C, SIGTERM).\n"
    "\n"
    "Lines on standard input change things while it runs (TARGET: \"logger\", the logger on the\n"
    "cable, or a station's number); each is answered \"done LINE\" or \"refused LINE: WHY\":\n"
    "  clock TARGET SECONDS   move the logger's clock on (back when negative)\n"
    "  erase TARGET           erase the logger's memory\n"
    "  cut TARGET BYTES       the logger's next download stops after BYTES, never finished\n"
    "  drop NUMBER BYTES      the next call to the station drops once its logger sent BYTES\n"
    "  busy NUMBER            the next call to the station answers BUSY\n"
    "  memory TARGET FILE     write the logger's memory to FILE, one line each");

// A station of the modem's directory, from NUMBER[=NAME][,silent][,drop=BYTES][,busy=CALLS].
struct StationEntry
{
    QString number;
    QString name;
    bool silent = false;
    std::optional<qint64> dropAfter;
    std::optional<qint64> busyCalls;
};

std::optional<StationEntry> parseStation(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    StationEntry entry;
    entry.number = parts.first().section(QLatin1Char('='), 0, 0).trimmed();
    entry.name = parts.first().section(QLatin1Char('='), 1).trimmed();
    if (entry.number.isEmpty())
        return std::nullopt;
    for (const QString& fault : parts.mid(1)) {
        bool good = true;
        if (fault.trimmed() == QLatin1String("silent"))
            entry.silent = true;
        else if (fault.trimmed().startsWith(QLatin1String("drop=")))
            entry.dropAfter = fault.trimmed().mid(5).toLongLong(&good);
        else if (fault.trimmed().startsWith(QLatin1String("busy=")))
            entry.busyCalls = fault.trimmed().mid(5).toLongLong(&good);
        else
            good = false;
        if (!good || (entry.dropAfter && *entry.dropAfter < 0) ||
            (entry.busyCalls && (*entry.busyCalls < 0 || *entry.busyCalls > 1000000)))
            return std::nullopt;
    }
    return entry;
}

// LETTER:FIELD[:silent]: the first reply to LETTER with its field FIELD (from 0) garbled, or
// ending before it.
std::optional<LoggerEmulator::ReplyFault> parseReplyFault(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool good = false;
    const int field = parts.value(1).toInt(&good);
    if (parts.size() < 2 || parts.size() > 3 || parts[0].size() != 1 || !good || field < 0 ||
        (parts.size() == 3 && parts[2] != QLatin1String("silent")))
        return std::nullopt;
    using Kind = LoggerEmulator::ReplyFault::Kind;
    return LoggerEmulator::ReplyFault{parts.size() == 3 ? Kind::Silent : Kind::Garbled,
                                      parts[0].at(0).toLatin1(), 1, field};
}

bool parse(const QCoreApplication& app, Options& o)
{
    QCommandLineParser p;
    p.setApplicationDescription(kDescription);
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption memory("memory", "Acquisitions the memory holds (default 8000).", "N");
    const QCommandLineOption fill("fill", "Acquisitions already stored at start (default 48).",
                                  "N");
    const QCommandLineOption model("model", "Model code answered to \"D\" (default 0).", "N");
    const QCommandLineOption name("name", "Name of the logger on the cable (default SITE1).",
                                  "TEXT");
    const QCommandLineOption timer(
        "timer", "Loggers acquire every SECONDS from the start (default: every 30 min).",
        "SECONDS");
    const QCommandLineOption clockOffset(
        "clock-offset",
        "Loggers' clocks start SECONDS ahead of this computer's (behind when negative).",
        "SECONDS");
    const QCommandLineOption station(
        "station",
        "A station in the modem's directory, answered by its own logger; repeat for more. "
        "\",silent\": its logger answers nothing; \",drop=BYTES\": every call drops once its "
        "logger has sent BYTES; \",busy=CALLS\": its first CALLS calls answer BUSY. Default: "
        "0212345=STATION1, 0399887766=STATION2, "
        "5551234=STATION3, 5556666=SILENT,silent, 5557777=DROPS,drop=1000.",
        "NUMBER[=NAME][,silent][,drop=BYTES][,busy=CALLS]");
    const QCommandLineOption modems(
        "modems",
        "Modems on the same stations, each on a pseudo-terminal of its own and one call at a "
        "time; a station in a call is busy to the others (default 1, at most 8).",
        "N");
    const QCommandLineOption busy("busy", "A number that answers BUSY (default 5550000).",
                                  "NUMBER");
    const QCommandLineOption pace("pace", "instant (default) or 9600: one character per 1.04 ms.",
                                  "PACE");
    const QCommandLineOption silent("silent-from",
                                    "Loggers answer nothing from their Nth command on.", "N");
    const QCommandLineOption silentReadings(
        "silent-after-readings",
        "Loggers fall silent in the middle of the reading after their Nth (a continuous "
        "reading times out).",
        "N");
    const QCommandLineOption replyMs(
        "reply-ms", "A logger thinks this long before it answers (default 20).", "MS");
    const QCommandLineOption readingMs(
        "reading-ms", "Each channel of a reading takes this long (default 40).", "MS");
    const QCommandLineOption garbage(
        "garbage", "Garbage bytes in the reply to each logger's Nth command (0: every reply).",
        "N");
    const QCommandLineOption replyFault(
        "reply-fault",
        "The first reply to LETTER with its field FIELD (from 0) garbled, or with silent the "
        "reply ending before it.",
        "LETTER:FIELD[:silent]");
    const QCommandLineOption drop(
        "drop-after",
        "The line drops after a logger has sent this many bytes (a modem call ends in NO CARRIER).",
        "BYTES");
    const QCommandLineOption strict(
        "strict", "Report parameter characters that arrive closer than 10 ms apart.");
    const QCommandLineOption wrap(
        "wrap", "A full memory drops its oldest acquisition for a new one (default: it stops).");
    const QCommandLineOption splitResults(
        "split-results",
        "The modem's result codes arrive in two pieces: the first N bytes, the rest 50 ms later.",
        "N");
    const QCommandLineOption trace("trace", "Write every byte each way, with its time, to FILE.",
                                   "FILE");
    const QCommandLineOption linkDir(
        "link-dir", "Also make the symbolic links DIR/logger and DIR/modem to the devices.", "DIR");
    const QCommandLineOption stdinClose("exit-on-stdin-close",
                                        "Stop when standard input is closed.");
    p.addOptions({memory,     fill, model,  timer,          clockOffset,  station,   modems,
                  busy,       pace, silent, silentReadings, replyMs,      readingMs, garbage,
                  replyFault, drop, strict, wrap,           splitResults, trace,     linkDir,
                  stdinClose, name});
    p.process(app);

    bool ok = true;
    const auto number = [&p, &ok](const QCommandLineOption& opt, auto& target, qint64 min) {
        if (!p.isSet(opt))
            return;
        bool good = false;
        const qint64 v = p.value(opt).toLongLong(&good);
        if (!good || v < min) {
            std::fprintf(stderr, "korvelan-sim: bad value for --%s: %s\n",
                         qPrintable(opt.names().first()), qPrintable(p.value(opt)));
            ok = false;
            return;
        }
        target = static_cast<std::remove_reference_t<decltype(target)>>(v);
    };
    number(memory, o.memory, 1);
    number(fill, o.fill, 0);
    number(model, o.model, -32768);
    number(timer, o.timer, 1);
    number(clockOffset, o.clockOffset, -100LL * 365 * 86400);
    number(silent, o.silentFrom, 1);
    number(silentReadings, o.silentAfterReadings, 0);
    number(replyMs, o.replyMs, 0);
    number(readingMs, o.readingMs, 0);
    number(garbage, o.garbage, 0);
    number(drop, o.dropAfter, 0);
    number(splitResults, o.splitResults, 1);
    number(modems, o.modems, 1);
    if (o.modems > 8) {
        std::fprintf(stderr, "korvelan-sim: --modems is at most 8\n");
        ok = false;
    }
    if (p.isSet(replyFault)) {
        o.replyFault = parseReplyFault(p.value(replyFault));
        if (!o.replyFault) {
            std::fprintf(stderr, "korvelan-sim: bad value for --reply-fault: %s\n",
                         qPrintable(p.value(replyFault)));
            ok = false;
        }
    }
    if (o.memory > AcquisitionMemory::kMaxCapacity) {
        std::fprintf(stderr, "korvelan-sim: --memory is at most %d\n",
                     AcquisitionMemory::kMaxCapacity);
        ok = false;
    }
    if (p.isSet(name))
        o.name = p.value(name);
    o.stations = p.values(station);
    if (o.stations.isEmpty())
        o.stations = {QStringLiteral("0212345=STATION1"), QStringLiteral("0399887766=STATION2"),
                      QStringLiteral("5551234=STATION3"), QStringLiteral("5556666=SILENT,silent"),
                      QStringLiteral("5557777=DROPS,drop=1000")};
    for (const QString& entry : o.stations) {
        if (!parseStation(entry)) {
            std::fprintf(stderr, "korvelan-sim: bad value for --station: %s\n", qPrintable(entry));
            ok = false;
        }
    }
    o.busy = p.isSet(busy) ? p.values(busy) : QStringList{QStringLiteral("5550000")};
    if (p.isSet(pace)) {
        if (p.value(pace) == QLatin1String("9600")) {
            o.pace = Pace::Baud9600;
        } else if (p.value(pace) != QLatin1String("instant")) {
            std::fprintf(stderr, "korvelan-sim: --pace is instant or 9600\n");
            ok = false;
        }
    }
    o.strict = p.isSet(strict);
    o.wrap = p.isSet(wrap);
    o.traceFile = p.value(trace);
    o.linkDir = p.value(linkDir);
    o.exitOnStdinClose = p.isSet(stdinClose);
    return ok;
}

void applyFaults(LoggerEmulator& logger, const Options& o)
{
    logger.setPace(o.pace);
    logger.setStrict(o.strict);
    logger.setMemoryWrapping(o.wrap);
    // The sim runs for hours: its own memory of the line stays small, the file has it all.
    logger.trace().setLimit(0);
    // The sim runs for days: only the latest commands are kept.
    logger.setCommandHistoryLimit(1000);
    if (o.silentFrom > 0)
        logger.setSilentFrom(o.silentFrom);
    if (o.silentAfterReadings >= 0)
        logger.setSilentAfterReadings(o.silentAfterReadings);
    if (o.replyMs >= 0 || o.readingMs >= 0) {
        using std::chrono::milliseconds;
        logger.setTiming(o.replyMs >= 0 ? Duration(milliseconds(o.replyMs))
                                        : Duration(LoggerEmulator::kReplyDelay),
                         o.readingMs >= 0 ? Duration(milliseconds(o.readingMs))
                                          : Duration(LoggerEmulator::kReadingTime));
    }
    if (o.garbage >= 0)
        logger.setGarbage(o.garbage);
    if (o.replyFault)
        logger.setReplyFault(*o.replyFault);
    if (o.dropAfter >= 0)
        logger.setDropAfterBytes(o.dropAfter);
}

// What the lines on standard input reach.
struct Controlled
{
    LoggerEmulator* cable = nullptr;
    PhoneNetwork* network = nullptr;
    QHash<QString, LoggerEmulator*> stations; // by the number as the network sees it
};

// Carries out one line of standard input; empty when done, otherwise why not.
QString control(const QString& line, const Controlled& c)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '));
    const QString what = words.value(0);
    const QString target = words.value(1);
    const QString station = ModemEmulator::networkNumber(target);
    LoggerEmulator* logger =
        target == QLatin1String("logger") ? c.cable : c.stations.value(station);
    bool numeric = false;
    const qint64 value = words.value(2).toLongLong(&numeric);
    const auto now = std::chrono::steady_clock::now();
    if (what == QLatin1String("drop") || what == QLatin1String("busy")) {
        if (!c.stations.contains(station))
            return QStringLiteral("no station %1").arg(target);
        if (what == QLatin1String("busy"))
            c.network->busyNextCall(station);
        else if (numeric && value >= 0)
            c.network->dropNextCallAfter(station, value);
        else
            return QStringLiteral("BYTES is a number");
        return {};
    }
    if (!logger)
        return QStringLiteral("no logger %1 (\"logger\" or a station's number)").arg(target);
    if (what == QLatin1String("clock") && numeric) {
        logger->setClock(logger->clockAt(now).addSecs(value), now);
    } else if (what == QLatin1String("erase")) {
        logger->eraseMemory();
    } else if (what == QLatin1String("cut") && numeric && value >= 0) {
        logger->cutNextDownload(value);
    } else if (what == QLatin1String("memory") && words.size() == 3) {
        logger->advanceTo(now);
        QSaveFile file(words[2]);
        if (!file.open(QIODevice::WriteOnly))
            return file.errorString();
        for (const QString& l : logger->memoryLines())
            file.write(l.toLatin1() + "\r\n");
        if (!file.commit())
            return file.errorString();
    } else {
        return QStringLiteral("not understood");
    }
    return {};
}

bool makeLink(const QString& dir, const QString& name, const QString& target)
{
    const QString link = QDir(dir).filePath(name);
    QFile::remove(link);
    return QFile::link(target, link);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvelan-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVELAN_VERSION));
    Options o;
    if (!parse(app, o))
        return 2;

    const auto start = std::chrono::steady_clock::now();
    const QDateTime wall = QDateTime::currentDateTime();
    const auto makeLogger = [&](const QString& name) {
        auto logger = std::make_unique<LoggerEmulator>(start, wall.addSecs(o.clockOffset));
        logger->setName(name);
        logger->setModelCode(o.model);
        logger->setMemoryCapacity(o.memory);
        logger->fillMemory(o.fill);
        if (o.timer > 0)
            logger->setTimer(AcquisitionTimer{o.timer / 3600, o.timer % 3600 / 60, o.timer % 60},
                             start);
        applyFaults(*logger, o);
        // What the program sends in a form the logger does not take is reported as it comes.
        logger->setProtocolErrorHandler([name](const QString& error) {
            std::fprintf(stderr, "%s: protocol error: %s\n", qPrintable(name), qPrintable(error));
            std::fflush(stderr);
        });
        return logger;
    };

    auto cable = makeLogger(o.name);
    const auto network = std::make_shared<PhoneNetwork>();
    std::vector<std::unique_ptr<ModemEmulator>> modems;
    for (int i = 0; i < o.modems; ++i) {
        auto& modem = *modems.emplace_back(std::make_unique<ModemEmulator>(start, network));
        modem.setPace(o.pace);
        if (o.splitResults > 0)
            modem.splitResults(o.splitResults, std::chrono::milliseconds(50));
        modem.trace().setLimit(0);
    }
    Controlled controlled{cable.get(), network.get(), {}};
    std::vector<std::unique_ptr<LoggerEmulator>> stations;
    QStringList stationLines;
    for (const auto& text : o.stations) {
        const StationEntry entry = *parseStation(text);
        const QString name = entry.name.isEmpty()
                                 ? QStringLiteral("STATION%1").arg(stations.size() + 1)
                                 : entry.name;
        stations.push_back(makeLogger(name));
        network->addStation(entry.number, stations.back().get());
        controlled.stations.insert(ModemEmulator::networkNumber(entry.number),
                                   stations.back().get());
        QString line = QStringLiteral("station %1 %2").arg(entry.number, stations.back()->name());
        if (entry.silent) {
            stations.back()->setSilentFrom(1);
            line += QStringLiteral(" (its logger answers nothing)");
        }
        if (entry.dropAfter) {
            network->dropCallsAfter(entry.number, *entry.dropAfter);
            line += QStringLiteral(" (each call drops after %1 bytes)").arg(*entry.dropAfter);
        }
        if (entry.busyCalls) {
            network->busyFirstCalls(entry.number, int(*entry.busyCalls));
            line += QStringLiteral(" (busy for its first %1 calls)").arg(*entry.busyCalls);
        }
        stationLines << line;
    }
    for (const auto& number : o.busy)
        network->addStation(number, nullptr, ModemEmulator::Answer::Busy);

    PtyEndpoint loggerPty(*cable);
    std::vector<std::unique_ptr<PtyEndpoint>> modemPtys;
    for (auto& modem : modems)
        modemPtys.push_back(std::make_unique<PtyEndpoint>(*modem));
    QString error;
    bool opened = loggerPty.open(&error);
    for (auto& pty : modemPtys)
        opened = opened && pty->open(&error);
    if (!opened) {
        std::fprintf(stderr, "korvelan-sim: cannot open a pseudo-terminal: %s\n",
                     qPrintable(error));
        return 1;
    }
    // The first modem keeps its name, so a single modem prints as it always has.
    const auto modemName = [](std::size_t i) {
        return i == 0 ? QStringLiteral("modem") : QStringLiteral("modem%1").arg(i + 1);
    };

    QFile traceFile(o.traceFile);
    if (!o.traceFile.isEmpty() &&
        !traceFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "korvelan-sim: cannot write %s\n", qPrintable(o.traceFile));
        return 1;
    }
    const auto writeTrace = [&traceFile, start](const char* label, bool toDevice,
                                                const QByteArray& bytes) {
        if (!traceFile.isOpen())
            return;
        const QString line =
            WireTrace::formatLine(start, std::chrono::steady_clock::now(),
                                  toDevice ? Direction::ToDevice : Direction::FromDevice, bytes);
        traceFile.write(QByteArray(label) + ' ' + line.toLatin1());
        traceFile.flush();
    };
    std::size_t reported = 0;
    loggerPty.setTap([&](bool toDevice, const QByteArray& bytes) {
        writeTrace("logger", toDevice, bytes);
        // Parameter characters closer than the program's pace are reported as they come.
        const auto& v = cable->pacingViolations();
        for (; reported < v.size(); ++reported)
            std::fprintf(
                stderr,
                "logger: parameter character %d of \"%c\" came %.1f ms after the one before\n",
                v[reported].position, v[reported].letter,
                std::chrono::duration<double, std::milli>(v[reported].gap).count());
    });
    for (std::size_t i = 0; i < modemPtys.size(); ++i) {
        const QByteArray label = modemName(i).leftJustified(6).toLatin1();
        modemPtys[i]->setTap([&writeTrace, label](bool toDevice, const QByteArray& bytes) {
            writeTrace(label.constData(), toDevice, bytes);
        });
    }
    QObject::connect(&loggerPty, &PtyEndpoint::lineDropped,
                     [] { std::fprintf(stderr, "logger: line dropped\n"); });

    if (!o.linkDir.isEmpty()) {
        QDir().mkpath(o.linkDir);
        bool linked = makeLink(o.linkDir, QStringLiteral("logger"), loggerPty.slavePath());
        for (std::size_t i = 0; i < modemPtys.size(); ++i)
            linked = linked && makeLink(o.linkDir, modemName(i), modemPtys[i]->slavePath());
        if (!linked) {
            std::fprintf(stderr, "korvelan-sim: cannot make links in %s\n", qPrintable(o.linkDir));
            return 1;
        }
    }

    std::printf("logger %s\n", qPrintable(loggerPty.slavePath()));
    for (std::size_t i = 0; i < modemPtys.size(); ++i)
        std::printf("%s %s\n", qPrintable(modemName(i)), qPrintable(modemPtys[i]->slavePath()));
    for (const auto& line : stationLines)
        std::printf("%s\n", qPrintable(line));
    std::printf("ready\n");
    std::fflush(stdout);

    // Signals arrive through a pipe, so the event loop ends them in its own time.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app,
                         [] { QCoreApplication::quit(); });
        struct sigaction sa
        {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
    }
    // Standard input: lines that change things while it runs, and its end.
    QByteArray typed;
    auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(input, &QSocketNotifier::activated, &app, [&, input] {
        char buffer[256];
        const auto got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input->setEnabled(false);
            if (o.exitOnStdinClose)
                QCoreApplication::quit();
            return;
        }
        typed.append(buffer, got);
        for (qsizetype end; (end = typed.indexOf('\n')) >= 0;) {
            const QString line = QString::fromLocal8Bit(typed.left(end)).trimmed();
            typed.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            const QString refused = control(line, controlled);
            std::printf("%s %s%s\n", refused.isEmpty() ? "done" : "refused", qPrintable(line),
                        refused.isEmpty() ? "" : qPrintable(QStringLiteral(": ") + refused));
            std::fflush(stdout);
        }
    });
    const int rc = QCoreApplication::exec();
    if (!o.linkDir.isEmpty()) {
        QFile::remove(QDir(o.linkDir).filePath(QStringLiteral("logger")));
        for (std::size_t i = 0; i < modemPtys.size(); ++i)
            QFile::remove(QDir(o.linkDir).filePath(modemName(i)));
    }
    return rc;
}
