#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace korvelan::settings {

// The groups of settings, each written by one write of the program, in the order a file
// is applied: the channel counts first, since the per-channel groups follow them.
enum class Group {
    ChannelCounts,
    Timer,
    Preheating,
    Start,
    Acquisitions,
    Sensors0,
    Sensors1,
    Alerts0,
    Alerts1,
    VirtualAlerts0,
    VirtualAlerts1,
    SmsRecipients,
    SmsTexts,
    Gprs,
    Filter,
    Rule,
    EventsCounter,
    Name,
};
inline constexpr int kGroups = int(Group::Name) + 1;
[[nodiscard]] QString groupName(Group group);

// The keys of the fields that come in rows, so every reader and writer names them alike.
namespace keys {
[[nodiscard]] QString timer(int i);               // hours, minutes, seconds
[[nodiscard]] QString start(int i);               // day, month, year, hours, minutes
[[nodiscard]] QString sensor(int channel, int i); // name, the four values, vibrating wire
[[nodiscard]] QString alert(int channel, int i);  // enable, alert up/down, warning up/down
[[nodiscard]] QString smsText(int i);             // warning lines 0..4, then alert lines 0..4
[[nodiscard]] QString gprs(int i);
} // namespace keys

// How a value is checked and compared.
enum class Kind {
    Text,     // compared and sent trimmed; at most `high` characters when high > 0
    Verbatim, // as it is, blanks included (an SMS text line)
    Number,   // any number
    Whole,    // a whole number from `low` to `high`
    Flag,     // 0 or 1
};

struct FieldSpec
{
    QString key; // "timer.hours", "sensors.ch3.name"
    Group group;
    QString label; // what the operator knows it by: "Timer hours", "Channel 3 name"
    Kind kind;
    int low = 0;
    int high = 0;
    int channel = -1; // the channel a sensor or alarm field belongs to
};

using ChannelCounts = std::array<int, 4>;
inline constexpr int kMaxChannels = 16;

// Every setting of a logger with these channel counts, in the order a file holds them. The
// counts of multiplexers 2 and 3 say how many virtual channels have alarms; the program
// never writes them.
[[nodiscard]] QList<FieldSpec> fieldsFor(const ChannelCounts& counts);
// What the field `key` holds and takes, whatever the counts (channels 0..31 of the sensors, 0..63
// of the alarms).
[[nodiscard]] const FieldSpec* specOf(const QString& key);
// Why `value` is no value the logger takes for `spec`, or nothing.
[[nodiscard]] std::optional<QString> valueProblem(const FieldSpec& spec, const QString& value);
// Whether two values of `spec` say the same (numbers by value, texts trimmed).
[[nodiscard]] bool sameValue(const FieldSpec& spec, const QString& a, const QString& b);

// A logger's settings: from the logger or from a file.
struct SettingsSet
{
    QString logger;  // the name the logger answered
    int model = 0;   // its model code
    QDateTime saved; // when they were read
    QString reached; // how the collector reached it ("cable /dev/ttyUSB0"); empty otherwise
    QHash<QString, QString> values;

    // The channel counts the set holds (0 where it holds none that reads as one).
    [[nodiscard]] ChannelCounts counts() const;
};

inline constexpr int kFormatVersion = 1;

// The file: one "key = value" a line, grouped under comments, the header first and "end"
// last. A value with blanks at either end, or none, is written between double quotes.
[[nodiscard]] QByteArray toText(const SettingsSet& set);

struct Parsed
{
    std::optional<SettingsSet> set;
    int line = 0;    // the line at fault
    QString problem; // "Line 12: ..." when the file is refused
};
// Refuses, naming the line, a file that is not one of ours, of another version, cut short,
// with a key it does not know or twice, a line missing, or a value the logger cannot take.
[[nodiscard]] Parsed parse(const QByteArray& text);

// Writes the file whole or not at all; false, with the system's reason, when it cannot.
bool save(const QString& path, const SettingsSet& set, QString* error);
// Reads and parses the file at `path`; one that cannot be read is refused as well.
[[nodiscard]] Parsed load(const QString& path);

struct Difference
{
    FieldSpec spec;
    QString inLogger; // empty optional: the logger has no such field (a channel not active)
    QString inFile;
    bool loggerHas = true;
    bool fileHas = true;
};
// The fields that differ, in file order.
[[nodiscard]] QList<Difference> compare(const SettingsSet& logger, const SettingsSet& file);
// "Timer hours (3 → 4), GPRS PASSWORD", for a summary line.
[[nodiscard]] QString differenceList(const QList<Difference>& differences);

} // namespace korvelan::settings
