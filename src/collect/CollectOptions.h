#pragma once

#include "common/ComPortMap.h"
#include "download/DownloadRange.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace korvelan {

// What one run of korvelan-collect does, from its command line.
struct CollectOptions
{
    enum class Range {
        All,       // the whole memory
        Dates,     // `dates`
        SinceLast, // from where the last collection of the logger ended
    };
    // A logger on a cable: COM `port`, opening `device` (empty: the port's usual device).
    struct Cable
    {
        int port = 0;
        QString device;
    };

    static constexpr auto kDefaultDialLimit = std::chrono::seconds(60);
    static constexpr auto kDefaultRetryAfter = std::chrono::seconds(60);
    static constexpr int kMaxRetries = 20;

    QList<Cable> cables;
    QStringList stations; // by name, in the order given
    bool allStations = false;
    // With stations: ports given a device (the modem's port, for instance).
    QList<ComPortMap::Override> portDevices;
    // The modems' ports; none: the one the modem window saved.
    QList<int> modems;
    // A station not collected for a reason that may pass is tried again this many times, at
    // the earliest this long after.
    int retries = 0;
    std::chrono::seconds retryAfter = kDefaultRetryAfter;

    QString folder; // the program folder; empty: the usual one
    QString out;    // where data files go; empty: the program folder
    QString log;    // the link log's file; empty: none
    Range range = Range::All;
    std::optional<DateRange> dates;
    std::optional<qint64> syncClockAbove; // seconds
    std::chrono::seconds dialLimit = kDefaultDialLimit;
    bool json = false;
    bool saveSettings = false; // each logger's settings saved beside its data, and audited
    // --status: when each logger was last collected, instead of a collection.
    bool status = false;
    std::optional<double> maxAgeHours;

    [[nodiscard]] bool overModem() const { return allStations || !stations.isEmpty(); }
};

struct ParsedCollectOptions
{
    std::optional<CollectOptions> options;
    // When there is nothing to run: what to print (help, version: standard output; a
    // mistake: standard error) and the exit status.
    QString output;
    QString error;
    int exitCode = 0;
};

// `today` is the end of a --from range given without --to.
[[nodiscard]] ParsedCollectOptions parseCollectOptions(const QStringList& arguments,
                                                       const QDate& today);

} // namespace korvelan
