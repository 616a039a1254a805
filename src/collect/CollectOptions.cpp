#include "collect/CollectOptions.h"

#include <QCommandLineParser>

namespace korvelan {

namespace {

ParsedCollectOptions mistake(const QString& text)
{
    ParsedCollectOptions parsed;
    parsed.error = text + QStringLiteral(" (korvelan-collect --help lists the options)");
    parsed.exitCode = 2;
    return parsed;
}

std::optional<qint64> wholeNumber(const QString& text, qint64 least)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < least)
        return std::nullopt;
    return value;
}

} // namespace

ParsedCollectOptions parseCollectOptions(const QStringList& arguments, const QDate& today)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Collects the memory of KORVELAN loggers without anyone at the screen: on a cable "
        "(--device, --com) or through the modem (--station, --all-stations), one after the "
        "other, into data files named as the program names them. One summary line per logger "
        "on standard output. Exit status: 0 every logger collected, 1 some, 2 none. With "
        "--status: when each logger was last collected."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("Collect the logger on the cable at DEVICE (/dev/ttyUSB0, "
                       "/dev/serial/by-id/..., COM3); may be given several times."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption com(
        QStringLiteral("com"),
        QStringLiteral("Without --station: collect the logger on the cable at COM N (1 to 8), "
                       "opening DEVICE when given. With --station or --all-stations: COM N "
                       "opens DEVICE (a modem's port, for instance). May be given several "
                       "times."),
        QStringLiteral("N[=DEVICE]"));
    const QCommandLineOption station(
        QStringLiteral("station"),
        QStringLiteral("Collect the station NAME of the modem's station list, through the "
                       "modem; may be given several times."),
        QStringLiteral("NAME"));
    const QCommandLineOption allStations(
        QStringLiteral("all-stations"),
        QStringLiteral("Collect every station of the list that has a telephone number."));
    const QCommandLineOption modem(
        QStringLiteral("modem"),
        QStringLiteral("Call the stations through the modem on COM N (1 to 8); several make a "
                       "pool, each modem one call at a time (default: the modem port the "
                       "program's modem window saved)."),
        QStringLiteral("N"));
    const QCommandLineOption retry(
        QStringLiteral("retry"),
        QStringLiteral("Try a station that was busy, did not answer, dropped the call or timed "
                       "out again after the others, up to N more times (default 0)."),
        QStringLiteral("N"));
    const QCommandLineOption retryAfter(
        QStringLiteral("retry-after"),
        QStringLiteral("Wait at least SECONDS before trying a station again (default %1).")
            .arg(CollectOptions::kDefaultRetryAfter.count()),
        QStringLiteral("SECONDS"));
    const QCommandLineOption status(
        QStringLiteral("status"),
        QStringLiteral("Collect nothing: for every station of the list and every cable logger "
                       "seen, print the last successful collection, its age and the last "
                       "result, from the history file."));
    const QCommandLineOption maxAge(
        QStringLiteral("max-age"),
        QStringLiteral("With --status: exit 1 when any logger's last successful collection is "
                       "older than HOURS (or there is none)."),
        QStringLiteral("HOURS"));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("The program folder (station list, modem port, the marks of "
                       "--since-last), as the program's --folder."),
        QStringLiteral("DIR"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Write the data files into DIR (default: the "
                                                "program folder)."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("Download the whole memory (the default)."));
    const QCommandLineOption from(
        QStringLiteral("from"),
        QStringLiteral("Download from DATE (dd/mm/yyyy) on, to --to or today."),
        QStringLiteral("DATE"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Download up to DATE (dd/mm/yyyy), with --from."),
                                QStringLiteral("DATE"));
    const QCommandLineOption sinceLast(
        QStringLiteral("since-last"),
        QStringLiteral("Download what the logger acquired since its last collection with "
                       "--since-last: no line is lost and none is written twice."));
    const QCommandLineOption syncClock(
        QStringLiteral("sync-clock"),
        QStringLiteral("After the download, set the logger's clock to this computer's when "
                       "it is off by more than SECONDS; the difference is reported either way."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Give up a call that has not connected after SECONDS (default %1).")
            .arg(CollectOptions::kDefaultDialLimit.count()),
        QStringLiteral("SECONDS"));
    const QCommandLineOption saveSettings(
        QStringLiteral("save-settings"),
        QStringLiteral("Save each logger's settings beside its data (NAME_dd_mm_yy_SETTINGS.txt) "
                       "and report what changed since its last such file."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the summary as JSON."));
    const QCommandLineOption log(
        QStringLiteral("log"), QStringLiteral("Write every exchange on the link to FILE as well."),
        QStringLiteral("FILE"));
    parser.addOptions({device,  com,          station, allStations, modem,  retry,     retryAfter,
                       folder,  out,          all,     from,        to,     sinceLast, syncClock,
                       timeout, saveSettings, json,    log,         status, maxAge});

    if (!parser.parse(arguments))
        return mistake(parser.errorText());
    ParsedCollectOptions parsed;
    if (parser.isSet(help)) {
        parsed.output = parser.helpText();
        parsed.output.replace(QStringLiteral("<executable_name>"),
                              QStringLiteral("korvelan-collect"));
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.output =
            QStringLiteral("korvelan-collect %1\n").arg(QStringLiteral(KORVELAN_VERSION));
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    CollectOptions o;
    if (parser.isSet(status)) {
        for (const auto& other : {device, com, station, allStations, modem, retry, retryAfter, out,
                                  all, from, to, sinceLast, syncClock, timeout, log}) {
            if (parser.isSet(other))
                return mistake(QStringLiteral("--status collects nothing: --%1 does not go with it")
                                   .arg(other.names().constFirst()));
        }
        if (parser.isSet(maxAge)) {
            bool ok = false;
            const double hours = parser.value(maxAge).trimmed().toDouble(&ok);
            if (!ok || !(hours > 0) || hours > 24.0 * 366 * 10)
                return mistake(QStringLiteral("--max-age needs a number of hours above 0"));
            o.maxAgeHours = hours;
        }
        o.status = true;
        o.folder = parser.value(folder);
        o.json = parser.isSet(json);
        parsed.options = o;
        return parsed;
    }
    if (parser.isSet(maxAge))
        return mistake(QStringLiteral("--max-age goes with --status"));
    o.stations = parser.values(station);
    o.allStations = parser.isSet(allStations);
    if (o.allStations && !o.stations.isEmpty())
        return mistake(QStringLiteral("--station and --all-stations do not go together"));
    for (const QString& name : o.stations) {
        if (name.trimmed().isEmpty())
            return mistake(QStringLiteral("--station needs a name"));
    }

    QList<int> taken;
    if (o.overModem()) {
        for (const QString& text : parser.values(com)) {
            QString error;
            const auto mapping = ComPortMap::parseOverride(text, &error);
            if (!mapping)
                return mistake(QStringLiteral("--com ") + error);
            o.portDevices << *mapping;
            taken << mapping->port;
        }
        for (const QString& text : parser.values(modem)) {
            const auto port = wholeNumber(text, 1);
            if (!port || *port > ComPortMap::kPorts)
                return mistake(QStringLiteral("--modem \"%1\": the port number must be 1 to %2")
                                   .arg(text)
                                   .arg(ComPortMap::kPorts));
            if (o.modems.contains(int(*port)))
                return mistake(QStringLiteral("--modem %1 is given twice").arg(*port));
            o.modems << int(*port);
        }
        taken << o.modems;
        const auto retries = wholeNumber(parser.value(retry), 0);
        if (parser.isSet(retry) && (!retries || *retries > CollectOptions::kMaxRetries))
            return mistake(QStringLiteral("--retry needs a number of retries, 0 to %1")
                               .arg(CollectOptions::kMaxRetries));
        o.retries = int(retries.value_or(0));
        const auto after = wholeNumber(parser.value(retryAfter), 0);
        if (parser.isSet(retryAfter) && (!after || *after > 24 * 3600))
            return mistake(QStringLiteral("--retry-after needs a number of seconds, 0 to 86400"));
        o.retryAfter = std::chrono::seconds(after.value_or(o.retryAfter.count()));
    } else {
        for (const auto& stationsOnly : {modem, retry, retryAfter}) {
            if (parser.isSet(stationsOnly))
                return mistake(QStringLiteral("--%1 is for stations (--station, --all-stations)")
                                   .arg(stationsOnly.names().constFirst()));
        }
        for (const QString& text : parser.values(com)) {
            CollectOptions::Cable cable;
            if (text.contains(u'=')) {
                QString error;
                const auto mapping = ComPortMap::parseOverride(text, &error);
                if (!mapping)
                    return mistake(QStringLiteral("--com ") + error);
                cable = {mapping->port, mapping->device};
            } else {
                const auto port = wholeNumber(text, 1);
                if (!port || *port > ComPortMap::kPorts)
                    return mistake(QStringLiteral("--com \"%1\": the port number must be 1 to %2")
                                       .arg(text)
                                       .arg(ComPortMap::kPorts));
                cable.port = static_cast<int>(*port);
            }
            if (taken.contains(cable.port))
                return mistake(QStringLiteral("--com %1 is given twice").arg(cable.port));
            taken << cable.port;
            o.cables << cable;
        }
    }
    // A device given alone takes the first port no --com or --modem names; beside stations it
    // is collected side by side with the modems.
    for (const QString& path : parser.values(device)) {
        if (path.trimmed().isEmpty())
            return mistake(QStringLiteral("--device needs a device"));
        int port = 1;
        while (port <= ComPortMap::kPorts && taken.contains(port))
            ++port;
        if (port > ComPortMap::kPorts)
            return mistake(
                QStringLiteral("at most %1 loggers on cables at once").arg(ComPortMap::kPorts));
        taken << port;
        o.cables << CollectOptions::Cable{port, path.trimmed()};
    }
    if (!o.overModem() && o.cables.isEmpty())
        return mistake(QStringLiteral("nothing to collect: give --device, --com, --station "
                                      "or --all-stations"));

    const int ranges = int(parser.isSet(all)) + int(parser.isSet(from) || parser.isSet(to)) +
                       int(parser.isSet(sinceLast));
    if (ranges > 1)
        return mistake(QStringLiteral("choose one of --all, --from/--to and --since-last"));
    if (parser.isSet(to) && !parser.isSet(from))
        return mistake(QStringLiteral("--to needs --from"));
    if (parser.isSet(from)) {
        const QString toText = parser.isSet(to) ? parser.value(to) : rangeDateText(today);
        const RangeCheck check = checkDownloadRange(parser.value(from), toText);
        if (!check.range)
            return mistake(check.message + QStringLiteral(" (dd/mm/yyyy)"));
        o.range = CollectOptions::Range::Dates;
        o.dates = check.range;
    } else if (parser.isSet(sinceLast)) {
        o.range = CollectOptions::Range::SinceLast;
    }

    if (parser.isSet(syncClock)) {
        o.syncClockAbove = wholeNumber(parser.value(syncClock), 0);
        if (!o.syncClockAbove)
            return mistake(QStringLiteral("--sync-clock needs a number of seconds, 0 or more"));
    }
    if (parser.isSet(timeout)) {
        const auto limit = wholeNumber(parser.value(timeout), 1);
        if (!limit || *limit > 24 * 3600)
            return mistake(QStringLiteral("--timeout needs a number of seconds, 1 to 86400"));
        o.dialLimit = std::chrono::seconds(*limit);
    }
    o.folder = parser.value(folder);
    o.out = parser.value(out);
    o.log = parser.value(log);
    o.json = parser.isSet(json);
    o.saveSettings = parser.isSet(saveSettings);
    parsed.options = o;
    return parsed;
}

} // namespace korvelan
