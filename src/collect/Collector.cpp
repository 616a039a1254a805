#include "collect/Collector.h"

#include "collect/CollectLock.h"
#include "collect/ConsolePrompter.h"
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
#include <QFileInfo>
#include <QRegularExpression>

namespace korvelan {

using namespace std::chrono;

namespace {

// What a modem says when a dial does not become a call.
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

bool Collector::mayStart(CollectLock& lock, LoggerReport& report) const
{
    if (!lock.tryLock()) {
        report.result = QStringLiteral("not collected: being collected by ") + lock.holder();
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
    QElapsedTimer took;
    took.start();
    CollectLock lock(m_settings.programFolder, device);
    if (!mayStart(lock, report))
        return report;
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
    CollectLock lock(m_settings.programFolder, QStringLiteral("station ") + report.via);
    if (!mayStart(lock, report))
        return report;
    if (station.Telefono.trimmed().isEmpty()) {
        report.result = QStringLiteral("not collected: no telephone number in the station list");
        return report;
    }

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
        if (!ModemDialogue::isModem(identification)) {
            report.result = QStringLiteral("not collected: no modem answers on COM %1 (%2)")
                                .arg(modemPort)
                                .arg(native(modemDevice));
            return;
        }
        progress(QStringLiteral("%1: dialling %2").arg(report.via, station.Telefono.trimmed()));
        if (!m_dialogue.dial(station.Telefono.trimmed(), false)) {
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
        if (!files.save(stations, &error))
            warn(QStringLiteral("the connection date cannot be saved: ") + error);

        m_transport.Pausa(kSettleAfterConnect);
        bool answered = false;
        for (int i = 0; i < kProbes && !answered && !m_transport.cancelled(); ++i)
            answered = m_transport.probeLogger();
        if (!answered) {
            report.result = stopRequested()
                                ? QStringLiteral("not collected: ") + stopped()
                                : QStringLiteral("not collected: the call connected, but no "
                                                 "logger answered on the line");
            return;
        }
        collectLogger(report);
    });
    if (dial && *dial != Dial::Refused)
        hangUp(report, modemPort);
    if (m_watch)
        m_watch->watchCall(false);
    m_dialogue.closePort();
    m_phase = Phase::Idle;
    m_calling = false;
    report.seconds = took.elapsed() / 1000.0;
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
            return Dial::Refused;
        }
        if (m_transport.cancelled()) {
            report.result = QStringLiteral("not collected: ") + stopped();
            return Dial::Unknown;
        }
        if (!m_transport.channel().isOpen()) {
            report.result = QStringLiteral("not collected: the modem's port was lost");
            return Dial::Unknown;
        }
        if (m_transport.clock().now() >= deadline) {
            report.result = QStringLiteral("not collected: no connection within %1 s")
                                .arg(m_settings.dialLimit.count());
            return Dial::Unknown;
        }
        m_transport.waitForInput(deadline);
    }
}

void Collector::hangUp(LoggerReport& report, int modemPort)
{
    // A fresh action: the one that was cancelled sends nothing more.
    m_phase = Phase::HangingUp;
    if (m_watch)
        m_watch->watchCall(false);
    progress(QStringLiteral("%1: hanging up").arg(report.via));
    bool confirmed = false;
    m_transport.action([&] {
        // A call that dropped took the port with it; the modem is told all the same.
        if (!m_transport.channel().isOpen())
            m_dialogue.openPort(modemPort);
        m_transport.Pausa(kGuardBeforeEscape);
        m_dialogue.hangUp();
        const auto deadline = m_transport.clock().now() + kHangUpReply;
        QString reply;
        while (!(confirmed = reply.contains(QLatin1String("OK"))) &&
               m_transport.channel().isOpen() && m_transport.clock().now() < deadline) {
            m_transport.waitForInput(deadline);
            reply += m_dialogue.takeReceived();
        }
    });
    m_phase = Phase::Working;
    // A dial that ended without a result code may have become a call meanwhile: it is
    // reported as one.
    report.hungUp = true;
    report.notes << (confirmed ? QStringLiteral("hung up")
                               : QStringLiteral("hung up (the modem did not confirm ATH; "
                                                "the port was closed as well)"));
    if (!confirmed)
        warn(QStringLiteral("%1: the modem did not confirm the hang-up").arg(report.via));
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
        return;
    }
    report.logger = name.trimmed();
    download(report);
    if (m_settings.syncClockAbove && !stopRequested() && m_transport.channel().isOpen() &&
        !m_transport.cancelled())
        syncClock(report);
}

void Collector::download(LoggerReport& report)
{
    using CollectRange = CollectOptions::Range;
    const bool sinceLast = m_settings.range == CollectRange::SinceLast;
    const QString markPath = sincelast::markPath(m_settings.programFolder, report.logger);
    std::optional<SinceLastMark> mark;
    std::optional<DateRange> range = m_settings.dates;
    sincelast::LoadedMark loaded;
    if (sinceLast) {
        loaded = sincelast::loadMark(markPath);
        if (!loaded.problem.isEmpty()) {
            warn(loaded.problem);
            report.notes << QStringLiteral("the mark of the last collection cannot be read: "
                                           "the whole memory, every line kept");
        }
        mark = loaded.mark;
        range = sincelast::rangeAfter(mark, m_today());
    }

    const QString target =
        dataFilePath(m_settings.outFolder, dataFileName(report.logger, m_today()));
    progress(QStringLiteral("%1: downloading into %2").arg(report.logger, native(target)));
    MemoryDownload engine(m_transport);
    engine.setProgressHandler([&](const DownloadProgress& p) {
        progress(QStringLiteral("%1: %2 lines, %3 bytes, %4 s")
                     .arg(report.logger)
                     .arg(p.lines)
                     .arg(p.bytes)
                     .arg(duration_cast<seconds>(p.elapsed).count()),
                 true);
    });
    // A run without anyone to ask never replaces a file: a second file of the day is _2.
    const DownloadResult result = engine.run(target, range, WhenTaken::KeepBoth);
    report.file = result.path;
    report.lines = result.lines;
    report.bytes = fileSize(result.path);

    switch (result.outcome) {
    case DownloadOutcome::Completed:
        break;
    case DownloadOutcome::Cancelled:
        report.result = QStringLiteral("not collected: ") + stopped();
        return;
    case DownloadOutcome::TimedOut:
        report.result = result.bytes == 0
                            ? QStringLiteral("not collected: the logger did not answer the "
                                             "download request")
                            : QStringLiteral("not collected: the logger stopped sending");
        return;
    case DownloadOutcome::LineLost:
        report.result = QStringLiteral("not collected: the line was lost during the download");
        return;
    case DownloadOutcome::FileError:
        report.result = QStringLiteral("not collected: ") + result.error;
        return;
    }

    if (sinceLast) {
        const sincelast::Filtered filtered = sincelast::keepLinesAfter(
            result.path, mark ? std::optional<QByteArray>(mark->line) : std::nullopt);
        if (!filtered.error.isEmpty()) {
            report.result = QStringLiteral("not collected: the lines collected before cannot be "
                                           "left out: ") +
                            filtered.error;
            return;
        }
        report.lines = filtered.lines;
        report.bytes = filtered.bytes;
        if (!mark && loaded.problem.isEmpty())
            report.notes << QStringLiteral("first collection: the whole memory");
        if (mark && !filtered.found)
            report.notes << QStringLiteral("the last line collected before is not in the "
                                           "logger's memory (erased since?): every line kept");
        QString error;
        if (filtered.lastLine &&
            !sincelast::saveMark(markPath, sincelast::markFor(*filtered.lastLine, m_today()),
                                 &error)) {
            warn(QStringLiteral("the mark of --since-last cannot be saved: ") + error);
            report.notes << QStringLiteral("the mark cannot be saved: the next --since-last run "
                                           "repeats these lines");
        }
    }
    report.collected = true;
    report.result = QStringLiteral("collected");
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
