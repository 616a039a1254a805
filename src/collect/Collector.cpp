#include "collect/Collector.h"

#include "collect/CollectLock.h"
#include "collect/ConsolePrompter.h"
#include "collect/SettingsAudit.h"
#include "collect/SinceLast.h"
#include "common/ClockDrift.h"
#include "common/DayFirstDate.h"
#include "download/DataFileName.h"
#include "download/MemoryDownload.h"
#include "link/Channel.h"
#include "link/ClockFields.h"
#include "link/Transport.h"
#include "remote/CarrierWatch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace korvelan {

using namespace std::chrono;

namespace {

// What a modem says when a dial does not become a call; the first ones may pass.
const QStringList kPassing = {QStringLiteral("BUSY"), QStringLiteral("NO CARRIER"),
                              QStringLiteral("NO ANSWER"), QStringLiteral("DELAYED")};
// The modem has no line to call on.
const QStringList kNoLine = {QStringLiteral("NO DIALTONE"), QStringLiteral("NO DIAL TONE")};
const QStringList kRefusals = {
    QStringLiteral("BUSY"),        QStringLiteral("NO CARRIER"),   QStringLiteral("NO ANSWER"),
    QStringLiteral("NO DIALTONE"), QStringLiteral("NO DIAL TONE"), QStringLiteral("ERROR"),
    QStringLiteral("DELAYED"),     QStringLiteral("BLACKLISTED"),
};
// The modem's talk kept while waiting for its result: its result codes are short.
constexpr qsizetype kDialTalkKept = 4096;

// The result code that ended a dial, from what the modem said since "atx0" was sent; empty
// while none has. The first OK or ERROR answers "atx0", not the dial.
QString refusalIn(const QString& talk)
{
    static const QRegularExpression lineEnd(QStringLiteral("[\r\n]"));
    QStringList lines = talk.split(lineEnd);
    lines.removeLast(); // a line not ended yet may still grow
    bool firstAnswer = true;
    for (const QString& line : lines) {
        const QString code = line.trimmed();
        if (firstAnswer && (code == QLatin1String("OK") || code == QLatin1String("ERROR"))) {
            firstAnswer = false;
            continue;
        }
        if (kRefusals.contains(code))
            return code;
    }
    return QString();
}

// Whether the modem said `code` on a line of its own.
bool hasResult(const QString& talk, const QString& code)
{
    static const QRegularExpression lineEnd(QStringLiteral("[\r\n]"));
    const QStringList lines = talk.split(lineEnd);
    return std::any_of(lines.cbegin(), lines.cend(),
                       [&code](const QString& line) { return line.trimmed() == code; });
}

qint64 fileSize(const QString& path)
{
    return path.isEmpty() ? 0 : QFileInfo(path).size();
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

Collector::Collector(Transport& transport, ConsolePrompter& prompter, Settings settings)
    : m_transport(transport), m_prompter(prompter),
      m_watch(qobject_cast<CarrierWatch*>(&transport.channel())), m_dialogue(transport),
      m_settings(std::move(settings))
{}

void Collector::progress(const QString& text, bool transient) const
{
    if (m_progress)
        m_progress(text, transient);
}

void Collector::warn(const QString& text) const
{
    if (m_warn)
        m_warn(text);
}

void Collector::requestStop(const QString& why)
{
    if (m_stopReason.isEmpty())
        m_stopReason = why;
    if (m_phase == Phase::HangingUp) {
        warn(QStringLiteral("%1: hanging up first").arg(why));
        return;
    }
    warn(m_phase == Phase::Working && m_calling
             ? QStringLiteral("%1: stopping; the call is hung up first").arg(why)
             : QStringLiteral("%1: stopping").arg(why));
    if (m_phase == Phase::Working)
        m_transport.cancelExchange();
}

QString Collector::stopped() const
{
    return QStringLiteral("stopped by ") + m_stopReason;
}

bool Collector::mayStart(CollectLock& lock, const QString& inUse, LoggerReport& report) const
{
    if (!lock.tryLock()) {
        report.result = QStringLiteral("not collected: ") + inUse + lock.holder();
        return false;
    }
    if (stopRequested()) {
        report.result = QStringLiteral("not collected: ") + stopped();
        return false;
    }
    return true;
}

LoggerReport Collector::collectCable(int port, const QString& device)
{
    LoggerReport report;
    report.via = device;
    report.cable = true;
    QElapsedTimer took;
    took.start();
    // Two names of one device (a /dev/serial/by-id link and the device) are one logger.
    const QString real = CollectLock::devicePath(device);
    CollectLock lock(m_settings.programFolder, real);
    if (!mayStart(lock, QStringLiteral("being collected by "), report))
        return report;
    m_reachedBy = QStringLiteral("cable ") + real;
    m_phase = Phase::Working;
    progress(QStringLiteral("%1: looking for the logger on COM %2").arg(native(device)).arg(port));
    m_transport.action([&] {
        m_prompter.takeLast();
        if (m_transport.Apri_Porta(static_cast<int16_t>(port)) == 0) {
            if (stopRequested()) {
                report.result = QStringLiteral("not collected: ") + stopped();
                return;
            }
            const QString why = m_prompter.takeLast();
            report.result = QStringLiteral("not collected: ") +
                            (why.isEmpty() ? QStringLiteral("no logger answered on COM %1 (%2)")
                                                 .arg(port)
                                                 .arg(native(device))
                                           : why);
            return;
        }
        collectLogger(report);
    });
    m_transport.Chiudi_Seriale();
    m_phase = Phase::Idle;
    report.seconds = took.elapsed() / 1000.0;
    report.finishedAt = m_wallClock();
    return report;
}

LoggerReport Collector::collectStation(StationTable& stations, int row, const StationFiles& files,
                                       int modemPort, const QString& modemDevice)
{
    Station& station = stations[size_t(row)];
    LoggerReport report;
    report.via = station.Nome.trimmed();
    QElapsedTimer took;
    took.start();
    // The modem's port is the one in use, whichever station it calls.
    CollectLock lock(m_settings.programFolder, CollectLock::devicePath(modemDevice));
    if (!mayStart(lock,
                  QStringLiteral("the modem's port COM %1 (%2) is in use by ")
                      .arg(modemPort)
                      .arg(native(modemDevice)),
                  report)) {
        // Another run has the modem: this run cannot use it.
        report.modemFailed = !stopRequested();
        return report;
    }
    const QString number = station.Telefono.trimmed();
    if (number.isEmpty()) {
        report.result = QStringLiteral("not collected: no telephone number in the station list");
        return report;
    }
    // Two stations may answer the same name: the row and the number tell them apart.
    m_reachedBy = QStringLiteral("station %1 %2").arg(row + 1).arg(number);

    m_phase = Phase::Working;
    m_calling = true;
    // Every command keeps the port open: the call lives as long as the port does.
    m_transport.session().PortaSempreAperta = true;
    std::optional<Dial> dial;
    m_transport.action([&] {
        if (m_watch)
            m_watch->watchCall(false);
        m_dialogue.Abilita_DSR();
        progress(
            QStringLiteral("%1: looking for the modem on COM %2").arg(report.via).arg(modemPort));
        const QString identification = m_dialogue.identify(modemPort);
        if (stopRequested()) {
            report.result = QStringLiteral("not collected: ") + stopped();
            return;
        }
        if (!m_transport.channel().isOpen()) {
            report.result = QStringLiteral("not collected: ") + m_dialogue.openError();
            report.modemFailed = true;
            return;
        }
        if (!ModemDialogue::isModem(identification)) {
            report.result = QStringLiteral("not collected: no modem answers on COM %1 (%2)")
                                .arg(modemPort)
                                .arg(native(modemDevice));
            report.modemFailed = true;
            return;
        }
        progress(QStringLiteral("%1: dialling %2").arg(report.via, number));
        // A stop that comes before the number goes out leaves it undialled.
        if (!m_dialogue.dial(number, false)) {
            if (stopRequested())
                report.result = QStringLiteral("not collected: ") + stopped();
            return;
        }
        dial = waitForConnection(report);
        if (dial != Dial::Connected)
            return;
        if (m_watch)
            m_watch->watchCall(true);
        progress(QStringLiteral("%1: connected").arg(report.via));
        // Recorded as the program records a connection, before anything is read.
        station.Uldata = dayFirstDate(m_today());
        QString error;
        if (!files.recordConnection(row, station, station.Uldata, &error))
            warn(QStringLiteral("the connection date cannot be saved: ") + error);

        m_transport.Pausa(kSettleAfterConnect);
        bool answered = false;
        for (int i = 0; i < kProbes && !answered && !m_transport.cancelled(); ++i)
            answered = m_transport.probeLogger();
        if (!answered) {
            report.retryable = !stopRequested();
            report.result = stopRequested()
                                ? QStringLiteral("not collected: ") + stopped()
                                : QStringLiteral("not collected: the call connected, but no "
                                                 "logger answered on the line");
            return;
        }
        collectLogger(report);
    });
    if (dial && *dial != Dial::Refused)
        hangUp(report, modemPort, *dial == Dial::Connected);
    if (m_watch)
        m_watch->watchCall(false);
    m_dialogue.closePort();
    m_phase = Phase::Idle;
    m_calling = false;
    report.seconds = took.elapsed() / 1000.0;
    report.finishedAt = m_wallClock();
    return report;
}

Collector::Dial Collector::waitForConnection(LoggerReport& report)
{
    const auto deadline = m_transport.clock().now() + m_settings.dialLimit;
    QString talk;
    for (;;) {
        talk = (talk + m_dialogue.takeReceived()).right(kDialTalkKept);
        if (readModemReply(talk).connected)
            return Dial::Connected;
        if (const QString refusal = refusalIn(talk); !refusal.isEmpty()) {
            report.result = QStringLiteral("not collected: the modem answered %1").arg(refusal);
            report.retryable = kPassing.contains(refusal);
            report.modemFailed = kNoLine.contains(refusal);
            return Dial::Refused;
        }
        if (m_transport.cancelled()) {
            report.result = QStringLiteral("not collected: ") + stopped();
            return Dial::Unknown;
        }
        if (!m_transport.channel().isOpen()) {
            report.result = QStringLiteral("not collected: the modem's port was lost");
            report.modemFailed = true;
            return Dial::Unknown;
        }
        if (m_transport.clock().now() >= deadline) {
            report.result = QStringLiteral("not collected: no connection within %1 s")
                                .arg(m_settings.dialLimit.count());
            report.retryable = true;
            return Dial::Unknown;
        }
        m_transport.waitForInput(deadline);
    }
}

void Collector::hangUp(LoggerReport& report, int modemPort, bool connected)
{
    // A fresh action: the one that was cancelled sends nothing more.
    m_phase = Phase::HangingUp;
    const bool dropped = m_watch && m_watch->callDropped();
    if (m_watch)
        m_watch->watchCall(false);
    progress(QStringLiteral("%1: hanging up").arg(report.via));
    QString failure;
    bool escaped = false;
    m_transport.action([&] {
        const QString lost = QStringLiteral("the modem's port was lost");
        // A call that dropped took the port with it; the modem is told all the same.
        if (!m_transport.channel().isOpen() && !m_dialogue.openPort(modemPort)) {
            failure = m_dialogue.openError();
            return;
        }
        m_transport.Pausa(kGuardBeforeEscape);
        // A dial given up may have connected meanwhile: the escape then keeps its silence
        // after the CONNECT too, or the modem takes it for data.
        if (!connected && m_dialogue.takeReceived().contains(QLatin1String("CONNECT"))) {
            connected = true;
            m_transport.Pausa(kGuardBeforeEscape);
        }
        if (!m_transport.Invia_Comando(QStringLiteral("+++"), QString())) {
            failure = lost;
            return;
        }
        m_transport.Pausa(ModemDialogue::kEscapeGuard);
        const QString talk = m_dialogue.takeReceived();
        escaped = hasResult(talk, QStringLiteral("OK"));
        // A modem still in a call takes whatever follows an unanswered escape as data: ATH
        // would reach the logger.
        const bool over = dropped || hasResult(talk, QStringLiteral("NO CARRIER")) ||
                          (!connected && !talk.contains(QLatin1String("CONNECT")));
        if (!escaped && !over) {
            failure = QStringLiteral("the modem did not answer the escape (+++), so ATH was not "
                                     "sent; the port was closed");
            return;
        }
        if (!m_transport.Invia_Comando(QStringLiteral("ATH\r"), QString())) {
            failure = lost;
            return;
        }
        const auto deadline = m_transport.clock().now() + kHangUpReply;
        QString reply;
        while (!hasResult(reply, QStringLiteral("OK")) && m_transport.channel().isOpen() &&
               m_transport.clock().now() < deadline) {
            m_transport.waitForInput(deadline);
            reply += m_dialogue.takeReceived();
        }
        if (!hasResult(reply, QStringLiteral("OK")))
            failure = QStringLiteral("the modem did not answer ATH; the port was closed");
    });
    m_phase = Phase::Working;
    report.hungUp = failure.isEmpty();
    if (!failure.isEmpty()) {
        report.modemFailed = true;
        report.notes << QStringLiteral("could not hang up: ") + failure;
        warn(QStringLiteral("%1: could not hang up: %2").arg(report.via, failure));
    } else if (escaped) {
        report.notes << QStringLiteral("hung up");
    } else {
        report.notes << (connected ? QStringLiteral("the call had dropped; ATH answered OK")
                                   : QStringLiteral("the dial was abandoned; ATH answered OK"));
    }
}

void Collector::collectLogger(LoggerReport& report)
{
    m_transport.Invia_Comando(QStringLiteral("Q"), QString());
    const QString name = m_transport.Leggi_Campo();
    if (stopRequested()) {
        report.result = QStringLiteral("not collected: ") + stopped();
        return;
    }
    if (name == Transport::kNoAnswer) {
        report.result = QStringLiteral("not collected: the logger did not give its name");
        report.retryable = true;
        return;
    }
    report.logger = name.trimmed();
    download(report);
    if (m_settings.syncClockAbove && !stopRequested() && m_transport.channel().isOpen() &&
        !m_transport.cancelled())
        syncClock(report);
    if (m_saveSettings && report.collected && !stopRequested() && m_transport.channel().isOpen() &&
        !m_transport.cancelled())
        SettingsAudit{m_settings.outFolder, m_reachedBy, m_today()}.run(m_transport, report);
}

bool Collector::fetch(LoggerReport& report, const QString& target,
                      const std::optional<DateRange>& range, DownloadResult& result)
{
    progress(QStringLiteral("%1: downloading %2 into %3")
                 .arg(report.logger,
                      range ? QStringLiteral("%1 to %2")
                                  .arg(dayFirstDate(range->from), dayFirstDate(range->to))
                            : QStringLiteral("the whole memory"),
                      native(target)));
    MemoryDownload engine(m_transport);
    engine.setProgressHandler([&](const DownloadProgress& p) {
        progress(QStringLiteral("%1: %2 lines, %3 bytes, %4 s")
                     .arg(report.logger)
                     .arg(p.lines)
                     .arg(p.bytes)
                     .arg(duration_cast<seconds>(p.elapsed).count()),
                 true);
    });
    // The data waits in the partial file until the run has decided what it keeps.
    result = engine.run(target, range, WhenTaken::Leave);
    report.file = result.path;
    report.lines = result.lines;
    report.bytes = fileSize(result.path);
    switch (result.outcome) {
    case DownloadOutcome::Completed:
        return true;
    case DownloadOutcome::Cancelled:
        report.result = QStringLiteral("not collected: ") + stopped();
        break;
    case DownloadOutcome::TimedOut:
        report.retryable = true;
        report.result = result.bytes == 0
                            ? QStringLiteral("not collected: the logger did not answer the "
                                             "download request")
                            : QStringLiteral("not collected: the logger stopped sending");
        break;
    case DownloadOutcome::LineLost:
        report.retryable = true;
        report.result = QStringLiteral("not collected: the line was lost during the download");
        break;
    case DownloadOutcome::FileError:
        report.result = QStringLiteral("not collected: ") + result.error;
        break;
    }
    return false;
}

bool Collector::place(LoggerReport& report, const QString& file, const QString& target,
                      qint64 lines)
{
    report.lines = lines;
    if (lines == 0) {
        // A run with nothing new leaves no empty file behind (a download of nothing made none).
        if (!file.isEmpty())
            QFile::remove(file);
        report.file.clear();
        report.bytes = 0;
        report.notes << QStringLiteral("nothing new");
        return true;
    }
    // A run without anyone to ask never replaces a file: a second file of the day is _2.
    QString placed;
    QString error;
    if (!placeDataFile(file, target, WhenTaken::KeepBoth, &placed, &error)) {
        report.file = file;
        report.bytes = fileSize(file);
        report.result = QStringLiteral("not collected: ") + error;
        return false;
    }
    report.file = placed;
    report.bytes = fileSize(placed);
    return true;
}

void Collector::download(LoggerReport& report)
{
    const QString target =
        dataFilePath(m_settings.outFolder, dataFileName(report.logger, m_today()));
    if (m_settings.range == CollectOptions::Range::SinceLast) {
        downloadSinceLast(report, target);
        return;
    }
    DownloadResult result;
    if (!fetch(report, target, m_settings.dates, result) ||
        !place(report, result.path, target, result.lines))
        return;
    report.collected = true;
    report.result = QStringLiteral("collected");
}

void Collector::downloadSinceLast(LoggerReport& report, const QString& target)
{
    const QString folder = m_settings.programFolder;
    const QString markPath = sincelast::markPath(folder, m_reachedBy, report.logger);
    QDir().mkpath(QFileInfo(markPath).path());
    CollectLock markLock(markPath + QStringLiteral(".lock"));
    if (!markLock.tryLock()) {
        report.result = QStringLiteral("not collected: its --since-last mark is in use by ") +
                        markLock.holder();
        return;
    }
    sincelast::LoadedMark loaded = sincelast::loadMark(markPath);
    if (!loaded.mark && loaded.problem.isEmpty()) {
        // Earlier versions kept one mark per name: it still says where this logger was left.
        const auto legacy = sincelast::loadMark(sincelast::legacyMarkPath(folder, report.logger));
        if (legacy.mark) {
            loaded = legacy;
            report.notes << QStringLiteral("the mark of an earlier version (by name alone) used");
        }
    }
    if (!loaded.problem.isEmpty()) {
        warn(loaded.problem);
        report.notes << QStringLiteral("the mark of the last collection cannot be read: the "
                                       "whole memory, every line kept");
    }
    const std::optional<SinceLastMark> mark = loaded.mark;

    const sincelast::LoggerState state = readState();
    if (stopRequested()) {
        report.result = QStringLiteral("not collected: ") + stopped();
        return;
    }
    std::optional<DateRange> range;
    if (mark) {
        const sincelast::Plan plan = sincelast::plan(*mark, state, m_today());
        range = plan.range;
        if (!range)
            report.notes << plan.whole + QStringLiteral(": the whole memory");
    } else if (loaded.problem.isEmpty()) {
        report.notes << QStringLiteral("first collection: the whole memory");
    }

    DownloadResult result;
    if (!fetch(report, target, range, result))
        return;
    sincelast::Filtered kept = sincelast::keepLinesAfter(result.path, mark, !range);
    if (range && kept.error.isEmpty()) {
        const QString missing = sincelast::shortfall(*mark, kept, readCounts().stored, *range);
        if (!missing.isEmpty()) {
            // Once, and never on the days alone again in this run.
            report.notes << missing + QStringLiteral(": the whole memory");
            QFile::remove(result.path);
            range.reset();
            if (!fetch(report, target, std::nullopt, result))
                return;
            kept = sincelast::keepLinesAfter(result.path, mark, true);
        }
    }
    if (!kept.error.isEmpty()) {
        report.result = QStringLiteral("not collected: the lines collected before cannot be "
                                       "left out: ") +
                        kept.error;
        return;
    }
    if (mark && !range && kept.at == 0)
        report.notes << QStringLiteral("the last line collected before is not in the logger's "
                                       "memory (erased or overwritten since): every line kept");
    if (!place(report, result.path, target, kept.lines))
        return;
    report.collected = true;
    report.result = QStringLiteral("collected");
    if (kept.lines == 0)
        return;

    // The new mark's place: counted in the whole memory, or on from the old one.
    const qint64 placeOf = range ? *mark->place + (kept.last - kept.at) : kept.last;
    QString error;
    if (!sincelast::saveMark(markPath, sincelast::markFor(*kept.lastLine, placeOf), &error)) {
        warn(QStringLiteral("the mark of --since-last cannot be saved: ") + error);
        report.notes << QStringLiteral("the mark cannot be saved: the next --since-last run "
                                       "repeats these lines");
    }
}

std::optional<QStringList> Collector::readClock()
{
    m_transport.Svuota_Ingresso();
    m_transport.Invia_Comando(QStringLiteral("G"), QStringLiteral(","));
    QStringList fields;
    for (int i = 0; i < 5; ++i) {
        fields << m_transport.Leggi_Campo();
        if (fields.last() == Transport::kNoAnswer)
            return std::nullopt;
    }
    return fields;
}

Collector::Counts Collector::readCounts()
{
    m_transport.Invia_Comando(QStringLiteral("M"), QStringLiteral(","));
    bool ok = true;
    const auto number = [&] {
        bool read = false;
        const qint64 value = m_transport.Leggi_Campo().trimmed().toLongLong(&read);
        ok = ok && read && value >= 0;
        return value;
    };
    const qint64 total = number();
    const qint64 free = number();
    if (!ok || free > total)
        return {};
    return {total - free, free == 0};
}

sincelast::LoggerState Collector::readState()
{
    sincelast::LoggerState state;
    if (const auto fields = readClock()) {
        // As the logger reads it: no time zone, no daylight saving.
        const auto field = [&fields](int i) { return (*fields)[i].trimmed().toInt(); };
        const QDate date(field(2), field(1), field(0));
        const QTime time(field(3), field(4));
        if (date.isValid() && time.isValid()) {
            state.date = date;
            state.time = time;
        }
    }
    const Counts counts = readCounts();
    state.stored = counts.stored;
    state.full = counts.full;
    return state;
}

void Collector::syncClock(LoggerReport& report)
{
    const auto fields = readClock();
    const auto minute = fields ? clockdrift::loggerMinute(*fields) : std::nullopt;
    if (!minute) {
        report.notes << QStringLiteral("the logger's clock gave no readable answer");
        return;
    }
    const qint64 drift = clockdrift::seconds(*minute, m_wallClock());
    report.driftSeconds = drift;
    if (std::llabs(drift) <= *m_settings.syncClockAbove) {
        report.notes << clockdrift::text(drift);
        return;
    }
    m_transport.Invia_Comando(QStringLiteral("g"),
                              clockfields::parameters(clockfields::fromDateTime(m_wallClock())));
    // Read back, as a clock write always is.
    const auto after = readClock();
    const auto newMinute = after ? clockdrift::loggerMinute(*after) : std::nullopt;
    if (!newMinute) {
        report.notes << clockdrift::text(drift) +
                            QStringLiteral(": set to this computer's, but not read back");
        return;
    }
    report.clockSet = true;
    report.notes << clockdrift::text(drift) + QStringLiteral(": set to this computer's time");
    report.notes << QStringLiteral("after setting: ") +
                        clockdrift::text(clockdrift::seconds(*newMinute, m_wallClock()));
}

} // namespace korvelan
