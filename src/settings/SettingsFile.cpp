#include "settings/SettingsFile.h"

#include "link/NumberForms.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QStringTokenizer>
#include <cmath>
#include <limits>

namespace korvelan::settings {

namespace {

const char* const kGroupNames[kGroups] = {
    "Channel counts",      "Timer",
    "Pre-heating",         "Acquisition start",
    "Acquisitions",        "Sensors MUX0",
    "Sensors MUX1",        "Alerts MUX0",
    "Alerts MUX1",         "Alerts Virtual MUX0",
    "Alerts Virtual MUX1", "SMS recipients",
    "SMS texts",           "GPRS",
    "Alarm filter",        "Simultaneous alarms",
    "Events counter",      "Name",
};

struct Named
{
    const char* key;
    const char* label;
};
const Named kGprs[] = {{"username", "GPRS USERNAME"},
                       {"password", "GPRS PASSWORD"},
                       {"apn", "APN SERVER"},
                       {"ftp-server", "FTP SERVER"},
                       {"ftp-username", "FTP USERNAME"},
                       {"ftp-password", "FTP PASSWORD"},
                       {"ftp-directory", "FTP DIRECTORY"},
                       {"ftp-port", "FTP PORT"},
                       {"min-acq", "MIN ACQ TO SEND"},
                       {"send-all", "SEND ALL DATA"}};
const Named kSensorParts[] = {{"name", "name"},
                              {"zero-volt", "zero volt"},
                              {"fs-volt", "full-scale volt"},
                              {"zero-phys", "zero physical"},
                              {"fs-phys", "full-scale physical"},
                              {"vibrating-wire", "vibrating wire"}};
const Named kAlertParts[] = {{"enable", "enabled"},
                             {"alert-up", "alert up"},
                             {"alert-down", "alert down"},
                             {"warning-up", "warning up"},
                             {"warning-down", "warning down"}};
constexpr int kLargestWhole = 999999999;
constexpr int kShortestInterval = 60; // seconds, as the timer's write takes it
const QString kHeaderKeys[] = {QStringLiteral("logger"), QStringLiteral("model"),
                               QStringLiteral("saved"), QStringLiteral("reached")};
const QString kSavedFormat = QStringLiteral("dd/MM/yyyy HH:mm:ss");

class Builder
{
public:
    void add(const QString& key, Group group, const QString& label, Kind kind, int low = 0,
             int high = 0, int channel = -1)
    {
        fields.append({key, group, label, kind, low, high, channel});
    }
    QList<FieldSpec> fields;
};

QString lineText(int line)
{
    return QStringLiteral("Line %1: ").arg(line);
}

// Values that would not survive the round trip or the wire: blanks at an end, none, or a
// leading quote go between quotes.
QString quoted(const QString& value)
{
    const bool needs = value.isEmpty() || value.front().isSpace() || value.back().isSpace() ||
                       value.front() == u'"';
    return needs ? u'"' + value + u'"' : value;
}

QStringView unquoted(QStringView raw)
{
    if (raw.size() >= 2 && raw.front() == u'"' && raw.back() == u'"')
        return raw.mid(1, raw.size() - 2);
    return raw;
}

std::optional<qint64> whole(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return std::nullopt;
    for (const QChar c : t) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return t.toLongLong();
}

const char* const kTimerParts[] = {"hours", "minutes", "seconds"};
const char* const kDateParts[] = {"day", "month", "year", "hours", "minutes"};

} // namespace

namespace keys {
QString timer(int i)
{
    return QStringLiteral("timer.") + QLatin1String(kTimerParts[i]);
}
QString start(int i)
{
    return QStringLiteral("start.") + QLatin1String(kDateParts[i]);
}
QString sensor(int channel, int i)
{
    return QStringLiteral("sensors.ch%1.%2").arg(channel).arg(QLatin1String(kSensorParts[i].key));
}
QString alert(int channel, int i)
{
    return QStringLiteral("alerts.ch%1.%2").arg(channel).arg(QLatin1String(kAlertParts[i].key));
}
QString smsText(int i)
{
    return QStringLiteral("smstexts.%1%2")
        .arg(i < 5 ? QStringLiteral("warning") : QStringLiteral("alert"))
        .arg(i % 5 + 1);
}
QString gprs(int i)
{
    return QStringLiteral("gprs.") + QLatin1String(kGprs[i].key);
}
} // namespace keys

QString groupName(Group group)
{
    return QString::fromLatin1(kGroupNames[int(group)]);
}

namespace {

// Every field of a logger with every channel active, made once.
const QList<FieldSpec>& allFields()
{
    static const QList<FieldSpec> all = [] {
        Builder b;
        b.add(QStringLiteral("name"), Group::Name, QStringLiteral("Datalogger ID"), Kind::Text, 0,
              10);
        for (int m = 0; m < 4; ++m)
            b.add(QStringLiteral("channels.mux%1").arg(m), Group::ChannelCounts,
                  QStringLiteral("CH MUX%1").arg(m), Kind::Whole, 0, kMaxChannels);
        for (int i = 0; i < 3; ++i)
            b.add(keys::timer(i), Group::Timer,
                  QStringLiteral("Timer ") + QLatin1String(kTimerParts[i]), Kind::Whole, 0,
                  i == 0 ? 23 : 59);
        b.add(QStringLiteral("preheating.ms"), Group::Preheating,
              QStringLiteral("Pre-heating time"), Kind::Whole, 0, 30000);
        const int lows[] = {1, 1, 1901, 0, 0};
        const int highs[] = {31, 12, 9999, 23, 59};
        for (int i = 0; i < 5; ++i)
            b.add(keys::start(i), Group::Start,
                  QStringLiteral("Acquisition start ") + QLatin1String(kDateParts[i]), Kind::Whole,
                  lows[i], highs[i]);
        b.add(QStringLiteral("acquisitions.on"), Group::Acquisitions,
              QStringLiteral("Enable Acquisitions"), Kind::Flag);
        for (int m = 0; m < 2; ++m) {
            for (int i = 0; i < kMaxChannels; ++i) {
                const int c = kMaxChannels * m + i;
                const QString label = QStringLiteral("Channel %1 ").arg(c);
                const Group g = m == 0 ? Group::Sensors0 : Group::Sensors1;
                for (int p = 0; p < 6; ++p)
                    b.add(keys::sensor(c, p), g, label + QLatin1String(kSensorParts[p].label),
                          p == 0   ? Kind::Text
                          : p == 5 ? Kind::Flag
                                   : Kind::Number,
                          0, p == 0 ? 10 : 0, c);
            }
        }
        for (int m = 0; m < 4; ++m) {
            for (int i = 0; i < kMaxChannels; ++i) {
                const int c = kMaxChannels * m + i;
                const Group g = Group(int(Group::Alerts0) + m);
                for (int p = 0; p < 5; ++p)
                    b.add(keys::alert(c, p), g,
                          QStringLiteral("Channel %1 %2")
                              .arg(c)
                              .arg(QLatin1String(kAlertParts[p].label)),
                          Kind::Number, 0, 0, c);
            }
        }
        for (int i = 1; i <= 10; ++i)
            b.add(QStringLiteral("sms.number%1").arg(i), Group::SmsRecipients,
                  QStringLiteral("SMS number %1").arg(i), Kind::Text, 0, 14);
        b.add(QStringLiteral("sms.recipients"), Group::SmsRecipients,
              QStringLiteral("# Recipients"), Kind::Text, 0, 14);
        b.add(QStringLiteral("sms.alerts"), Group::SmsRecipients,
              QStringLiteral("Enable SMS Alert"), Kind::Flag);
        b.add(QStringLiteral("sms.warnings"), Group::SmsRecipients,
              QStringLiteral("Enable SMS Warning"), Kind::Flag);
        b.add(QStringLiteral("sms.phone"), Group::SmsRecipients,
              QStringLiteral("Telephone alarm number"), Kind::Text, 0, 14);
        b.add(QStringLiteral("sms.phone-on"), Group::SmsRecipients,
              QStringLiteral("Telephone alarm"), Kind::Flag);
        for (int i = 0; i < 10; ++i)
            b.add(keys::smsText(i), Group::SmsTexts,
                  QStringLiteral("%1 SMS line %2")
                      .arg(i < 5 ? QStringLiteral("Warning") : QStringLiteral("Alert"))
                      .arg(i % 5 + 1),
                  Kind::Verbatim, 0, 25);
        for (int i = 0; i < 10; ++i)
            b.add(keys::gprs(i), Group::Gprs, QString::fromLatin1(kGprs[i].label), Kind::Text);
        b.add(QStringLiteral("filter.repetitions"), Group::Filter,
              QStringLiteral("Max ripetizioni"), Kind::Whole, 1, 8);
        b.add(QStringLiteral("filter.threshold"), Group::Filter, QStringLiteral("Soglia (mV x 5)"),
              Kind::Whole, 0, kLargestWhole);
        b.add(QStringLiteral("rule.warnings"), Group::Rule,
              QStringLiteral("Min. # of sensors to raise Warning"), Kind::Whole, 0, kLargestWhole);
        b.add(QStringLiteral("rule.alerts"), Group::Rule,
              QStringLiteral("Min. # of sensors to raise Alert"), Kind::Whole, 0, kLargestWhole);
        b.add(QStringLiteral("rule.low-alert-warns"), Group::Rule,
              QStringLiteral("A low # of sensors for Alert raises a Warning"), Kind::Flag);
        b.add(QStringLiteral("rule.output-seconds"), Group::Rule,
              QStringLiteral("Duration of onboard Alert/Warning output [s]"), Kind::Whole, 0,
              28800);
        b.add(QStringLiteral("events.on"), Group::EventsCounter,
              QStringLiteral("Enable events counter (Rain gauge)"), Kind::Flag);
        return b.fields;
    }();
    return all;
}

bool isActive(const FieldSpec& f, const ChannelCounts& counts)
{
    return f.channel < 0 || f.channel % kMaxChannels < counts[size_t(f.channel / kMaxChannels)];
}

} // namespace

QList<FieldSpec> fieldsFor(const ChannelCounts& counts)
{
    QList<FieldSpec> out;
    for (const auto& f : allFields()) {
        if (isActive(f, counts))
            out.append(f);
    }
    return out;
}

const FieldSpec* specOf(const QString& key)
{
    static const QHash<QString, FieldSpec> all = [] {
        QHash<QString, FieldSpec> out;
        for (const auto& f : allFields())
            out.insert(f.key, f);
        return out;
    }();
    const auto it = all.constFind(key);
    return it == all.cend() ? nullptr : &*it;
}

std::optional<QString> valueProblem(const FieldSpec& spec, const QString& value)
{
    for (const QChar c : value) {
        if (c == u',')
            return QStringLiteral("holds a comma, which the logger takes as the end of a value");
        if (c.unicode() > 0xff)
            return QStringLiteral("holds a character the logger's line cannot carry");
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("holds a control character");
    }
    switch (spec.kind) {
    case Kind::Text:
        if (spec.high > 0 && value.trimmed().size() > spec.high)
            return QStringLiteral("is longer than %1 characters").arg(spec.high);
        return std::nullopt;
    case Kind::Verbatim:
        if (spec.high > 0 && value.size() > spec.high)
            return QStringLiteral("is longer than %1 characters").arg(spec.high);
        return std::nullopt;
    case Kind::Number: {
        double v = 0;
        if (!numbers::isNumeric(value, &v) || !std::isfinite(v))
            return QStringLiteral("is not a number");
        return std::nullopt;
    }
    case Kind::Whole: {
        const auto v = whole(value);
        if (!v || *v < spec.low || *v > spec.high)
            return QStringLiteral("is not a whole number from %1 to %2")
                .arg(spec.low)
                .arg(spec.high);
        return std::nullopt;
    }
    case Kind::Flag:
        if (value.trimmed() != QLatin1String("0") && value.trimmed() != QLatin1String("1"))
            return QStringLiteral("is neither 0 nor 1");
        return std::nullopt;
    }
    return std::nullopt;
}

bool sameValue(const FieldSpec& spec, const QString& a, const QString& b)
{
    switch (spec.kind) {
    case Kind::Verbatim:
        return a == b;
    case Kind::Text:
        return a.trimmed() == b.trimmed();
    case Kind::Number:
    case Kind::Whole:
    case Kind::Flag: {
        double x = 0;
        double y = 0;
        if (numbers::isNumeric(a, &x) && numbers::isNumeric(b, &y))
            return x == y;
        return a.trimmed() == b.trimmed();
    }
    }
    return a == b;
}

ChannelCounts SettingsSet::counts() const
{
    ChannelCounts out{};
    for (int m = 0; m < 4; ++m) {
        const auto v = whole(values.value(QStringLiteral("channels.mux%1").arg(m)));
        out[size_t(m)] = v && *v <= kMaxChannels ? int(*v) : 0;
    }
    return out;
}

QByteArray toText(const SettingsSet& set)
{
    QStringList lines;
    lines << QStringLiteral("# KORVELAN settings of one logger: one value a line, \"key = value\"; "
                            "a value with blanks at an end goes between double quotes.")
          << QStringLiteral("format = %1").arg(kFormatVersion);
    QString name = set.logger;
    name.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
    lines << QStringLiteral("logger = ") + quoted(name)
          << QStringLiteral("model = %1").arg(set.model)
          << QStringLiteral("saved = ") + set.saved.toString(kSavedFormat);
    if (!set.reached.isEmpty())
        lines << QStringLiteral("reached = ") + quoted(set.reached);
    std::optional<Group> group;
    int count = 0;
    const ChannelCounts counts = set.counts();
    for (const auto& f : allFields()) {
        if (!isActive(f, counts) || !set.values.contains(f.key))
            continue;
        if (group != f.group) {
            group = f.group;
            lines << QString() << QStringLiteral("# ") + groupName(f.group);
        }
        lines << f.key + QStringLiteral(" = ") + quoted(set.values.value(f.key));
        ++count;
    }
    lines << QString() << QStringLiteral("end = %1").arg(count);
    return (lines.join(u'\n') + u'\n').toUtf8();
}

Parsed parse(const QByteArray& text)
{
    Parsed out;
    const auto refuse = [&out](int line, const QString& why) {
        out.line = line;
        out.problem = lineText(line) + why;
        return out;
    };
    const QString all = QString::fromUtf8(text);
    SettingsSet set;
    QHash<QString, int> seen; // key -> line
    bool versioned = false;
    std::optional<int> endLine;
    int lastLine = 0;
    int n = 0;
    for (QStringView line : qTokenize(all, u'\n')) {
        ++n;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        lastLine = n;
        if (endLine)
            return refuse(n, QStringLiteral("nothing may follow the \"end\" line"));
        const qsizetype eq = line.indexOf(u'=');
        const QString key = eq < 0 ? QString() : line.left(eq).trimmed().toString();
        const QString value = unquoted(line.mid(eq + 1).trimmed()).toString();
        if (!versioned) {
            if (key != QLatin1String("format"))
                return refuse(n, QStringLiteral("this is not a KORVELAN settings file (it must "
                                                "begin with \"format = %1\")")
                                     .arg(kFormatVersion));
            if (value != QString::number(kFormatVersion))
                return refuse(n, QStringLiteral("format \"%1\" is not one this program reads "
                                                "(it reads format %2)")
                                     .arg(value)
                                     .arg(kFormatVersion));
            versioned = true;
            continue;
        }
        if (eq < 0)
            return refuse(n, QStringLiteral("not a \"key = value\" line"));
        if (const auto first = seen.constFind(key); first != seen.cend())
            return refuse(n, QStringLiteral("\"%1\" is given a second time (first on line %2)")
                                 .arg(key)
                                 .arg(*first));
        seen.insert(key, n);
        if (key == QLatin1String("end")) {
            endLine = n;
            if (value != QString::number(set.values.size()))
                return refuse(n, QStringLiteral("the file says it holds %1 values but holds %2: "
                                                "lines are missing")
                                     .arg(value)
                                     .arg(set.values.size()));
            continue;
        }
        if (key == kHeaderKeys[0]) {
            set.logger = value;
        } else if (key == kHeaderKeys[1]) {
            const auto model = whole(value);
            if (!model || *model > std::numeric_limits<int16_t>::max())
                return refuse(n, QStringLiteral("the model \"%1\" is not a model code").arg(value));
            set.model = int(*model);
        } else if (key == kHeaderKeys[2]) {
            set.saved = QDateTime::fromString(value, kSavedFormat);
            if (!set.saved.isValid())
                return refuse(n, QStringLiteral("\"%1\" is not a date and time "
                                                "(dd/mm/yyyy hh:mm:ss)")
                                     .arg(value));
        } else if (key == kHeaderKeys[3]) {
            set.reached = value;
        } else {
            const auto spec = specOf(key);
            if (!spec)
                return refuse(n,
                              QStringLiteral("\"%1\" is no setting this program knows").arg(key));
            if (const auto problem = valueProblem(*spec, value))
                return refuse(n, QStringLiteral("%1 \"%2\" %3.").arg(spec->label, value, *problem));
            set.values.insert(key, value);
        }
    }
    if (!versioned)
        return refuse(qMax(1, lastLine), QStringLiteral("this is not a KORVELAN settings file "
                                                        "(it is empty)"));
    if (!endLine)
        return refuse(qMax(1, lastLine), QStringLiteral("the file ends before its \"end\" line: "
                                                        "it was cut short"));
    for (const QString& key : {kHeaderKeys[0], kHeaderKeys[1], kHeaderKeys[2]}) {
        if (!seen.contains(key))
            return refuse(*endLine, QStringLiteral("the header's \"%1\" line is missing").arg(key));
    }
    // Every line the channel counts call for, and none they do not.
    const ChannelCounts counts = set.counts();
    std::optional<std::pair<int, QString>> inactive; // the first such line
    for (auto it = set.values.cbegin(); it != set.values.cend(); ++it) {
        const int line = seen.value(it.key());
        if (!isActive(*specOf(it.key()), counts) && (!inactive || line < inactive->first))
            inactive = {line, it.key()};
    }
    if (inactive)
        return refuse(inactive->first, QStringLiteral("\"%1\" is for a channel the file's "
                                                      "channel counts do not make active")
                                           .arg(inactive->second));
    for (const auto& f : allFields()) {
        if (isActive(f, counts) && !set.values.contains(f.key))
            return refuse(*endLine, QStringLiteral("the line \"%1\" is missing").arg(f.key));
    }
    // What the program's writes check as a whole.
    const auto number = [&set](const char* key) {
        return whole(set.values.value(QLatin1String(key))).value_or(0);
    };
    if (number("timer.hours") * 3600 + number("timer.minutes") * 60 + number("timer.seconds") <
        kShortestInterval)
        return refuse(seen.value(QStringLiteral("timer.seconds")),
                      QStringLiteral("the timer is shorter than one minute."));
    if (!QDate(int(number("start.year")), int(number("start.month")), int(number("start.day")))
             .isValid())
        return refuse(seen.value(QStringLiteral("start.day")),
                      QStringLiteral("the acquisition start is not a date that exists."));
    out.set = std::move(set);
    return out;
}

bool save(const QString& path, const SettingsSet& set, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(toText(set)) >= 0 && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

Parsed load(const QString& path)
{
    // Far more than any logger's settings: anything larger is not one of these files.
    constexpr qint64 kLargest = 1 << 20;
    QFile file(path);
    Parsed out;
    if (!file.open(QIODevice::ReadOnly)) {
        out.problem = file.errorString();
        return out;
    }
    if (file.size() > kLargest) {
        out.problem = QStringLiteral("it is too large to be a settings file");
        return out;
    }
    return parse(file.readAll());
}

QList<Difference> compare(const SettingsSet& logger, const SettingsSet& file)
{
    const ChannelCounts a = logger.counts();
    const ChannelCounts b = file.counts();
    ChannelCounts most{};
    for (size_t m = 0; m < most.size(); ++m)
        most[m] = std::max(a[m], b[m]);
    QList<Difference> out;
    for (const auto& f : allFields()) {
        if (!isActive(f, most))
            continue;
        const bool inLogger = logger.values.contains(f.key);
        const bool inFile = file.values.contains(f.key);
        if (!inLogger && !inFile)
            continue;
        const QString l = logger.values.value(f.key);
        const QString r = file.values.value(f.key);
        if (inLogger && inFile && sameValue(f, l, r))
            continue;
        out.append({f, l, r, inLogger, inFile});
    }
    return out;
}

QString differenceList(const QList<Difference>& differences)
{
    constexpr int kNamed = 10;
    QStringList parts;
    for (const auto& d : differences.mid(0, kNamed)) {
        if (d.spec.key.contains(QLatin1String("password"))) {
            parts << d.spec.label;
            continue;
        }
        const auto shown = [](bool has, const QString& v) {
            return has ? u'"' + v.trimmed() + u'"' : QStringLiteral("none");
        };
        parts << QStringLiteral("%1 %2 -> %3")
                     .arg(d.spec.label, shown(d.fileHas, d.inFile), shown(d.loggerHas, d.inLogger));
    }
    if (differences.size() > kNamed)
        parts << QStringLiteral("and %1 more").arg(differences.size() - kNamed);
    return parts.join(QStringLiteral(", "));
}

} // namespace korvelan::settings
