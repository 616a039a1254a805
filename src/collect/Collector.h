#pragma once

#include "collect/CollectOptions.h"
#include "collect/CollectReport.h"
#include "collect/SinceLast.h"
#include "download/MemoryDownload.h"
#include "remote/ModemDialogue.h"
#include "remote/StationFiles.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace korvelan {

class CarrierWatch;
class CollectLock;
class ConsolePrompter;
class Transport;

// Collects one logger at a time, without anyone at the screen, through the program's own
// link, probe, download engine, file naming and station files.
//
// On a cable: the port is opened and probed, the logger's name read, its memory downloaded
// (whole, by dates, or since its last collection), the clock checked. Through the modem: the
// modem is found on its port, the station dialled, and once the call is up the same; every
// path after the modem has connected (silence, a dropped line, a stop, an error) ends with
// the modem escaped to command mode and "ATH", and the report says so.
//
// A transfer that does not end keeps what arrived in its partial file and leaves the mark of
// --since-last where it was; the mark moves only once the data file is complete and written.
// A download that brings nothing new leaves no data file.
//
// --since-last does not trust the logger's clock to move forward. Before the download the
// logger's clock and memory counts are read; the days from the mark's on are asked for only
// when they agree with the mark, and after the download the count is read again: when the
// days did not bring every line stored since the mark's, the whole memory is asked for once
// and the lines after the mark's line are kept. Each such fallback is said in the report.
class Collector
{
public:
    struct Settings
    {
        QString programFolder; // locks and marks
        QString outFolder;     // data files
        CollectOptions::Range range = CollectOptions::Range::All;
        std::optional<DateRange> dates;
        std::optional<qint64> syncClockAbove;
        std::chrono::seconds dialLimit = CollectOptions::kDefaultDialLimit;
    };
    using Say = std::function<void(const QString&)>;
    // A step, or (`transient`) the state of a transfer, which the next one replaces.
    using Progress = std::function<void(const QString& text, bool transient)>;

    // After the modem's CONNECT: a moment for the line to settle, then the logger is probed
    // this many times (each waits Transport::kProbeReplyWait) before it counts as silent.
    static constexpr int kSettleAfterConnect = 100; // hundredths
    static constexpr int kProbes = 3;
    // The silence before "+++": a modem takes it as its escape only after a pause in what it
    // is sent.
    static constexpr int kGuardBeforeEscape = 120; // hundredths
    // How long the modem is given to confirm "ATH".
    static constexpr auto kHangUpReply = std::chrono::seconds(2);

    Collector(Transport& transport, ConsolePrompter& prompter, Settings settings);

    // Step notes and the progress of a transfer (shown when standard error is a terminal).
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // What the operator must read whatever happens (always shown).
    void setWarn(Say warn) { m_warn = std::move(warn); }
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }
    void setWallClock(std::function<QDateTime()> now) { m_wallClock = std::move(now); }
    // Each collected logger's settings saved beside its data, with what changed since.
    void setSaveSettings(bool on) { m_saveSettings = on; }

    // The logger on COM `port`, which opens `device`.
    LoggerReport collectCable(int port, const QString& device);
    // Station `row` of `stations`, through the modem on COM `modemPort` (which opens
    // `modemDevice`). The connection date goes into the row, and into the station files by
    // changing that row alone.
    LoggerReport collectStation(StationTable& stations, int row, const StationFiles& files,
                                int modemPort, const QString& modemDevice);

    // A signal's request: the exchange under way ends (a transfer keeps its partial file),
    // a call is hung up, and nothing new starts. A hang-up under way is not cut short.
    void requestStop(const QString& why);
    [[nodiscard]] bool stopRequested() const { return !m_stopReason.isEmpty(); }
    [[nodiscard]] QString stopReason() const { return m_stopReason; }

private:
    enum class Phase { Idle, Working, HangingUp };
    enum class Dial { Connected, Refused, Unknown };

    struct Counts
    {
        std::optional<qint64> stored;
        bool full = false;
    };

    // Takes the port's lock; false, with the report saying why, when it may not be collected.
    bool mayStart(CollectLock& lock, const QString& inUse, LoggerReport& report) const;
    void collectLogger(LoggerReport& report);
    void download(LoggerReport& report);
    void downloadSinceLast(LoggerReport& report, const QString& target);
    // One transfer into a partial file left for the caller; false, with the report saying
    // why, when it did not end.
    bool fetch(LoggerReport& report, const QString& target, const std::optional<DateRange>& range,
               DownloadResult& result);
    // Gives the complete file its data file's name (the next free one).
    bool place(LoggerReport& report, const QString& file, const QString& target, qint64 lines);
    void syncClock(LoggerReport& report);
    std::optional<QStringList> readClock();
    Counts readCounts();
    sincelast::LoggerState readState();
    Dial waitForConnection(LoggerReport& report);
    void hangUp(LoggerReport& report, int modemPort, bool connected);
    [[nodiscard]] QString stopped() const;
    void progress(const QString& text, bool transient = false) const;
    void warn(const QString& text) const;

    Transport& m_transport;
    ConsolePrompter& m_prompter;
    CarrierWatch* m_watch;
    ModemDialogue m_dialogue;
    Settings m_settings;
    Progress m_progress;
    Say m_warn;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
    std::function<QDateTime()> m_wallClock = [] { return QDateTime::currentDateTime(); };
    Phase m_phase = Phase::Idle;
    bool m_calling = false; // a station is being collected: a call may be up
    QString m_reachedBy;    // how the logger under way was reached, for its mark
    QString m_stopReason;
    bool m_saveSettings = false;
};

} // namespace korvelan
