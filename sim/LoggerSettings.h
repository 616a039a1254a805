#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <chrono>

namespace korvelan::sim {

inline constexpr int kMultiplexers = 4;
inline constexpr int kChannelsPerMultiplexer = 16;
inline constexpr int kChannels = kMultiplexers * kChannelsPerMultiplexer;
inline constexpr int kVirtualChannels = 32;
inline constexpr int kNameLength = 10;
inline constexpr int kSmsLineLength = 25;
inline constexpr int kMaxPreheatingMs = 30000;

struct Calibration
{
    QString name;
    double zeroVolt = 0.0;
    double fullScaleVolt = 2.5;
    double zeroPhysical = 0.0;
    double fullScalePhysical = 100.0;
    bool operator==(const Calibration&) const = default;
};

struct AlertRecord
{
    int enable = 0;
    double upper = 0.0;
    double lower = 0.0;
    bool operator==(const AlertRecord&) const = default;
};

struct WarningRecord
{
    double upper = 0.0;
    double lower = 0.0;
    bool operator==(const WarningRecord&) const = default;
};

struct AcquisitionTimer
{
    int hours = 0;
    int minutes = 30;
    int seconds = 0;
    [[nodiscard]] std::chrono::seconds interval() const
    {
        return std::chrono::seconds(hours * 3600 + minutes * 60 + seconds);
    }
    bool operator==(const AcquisitionTimer&) const = default;
};

struct SmsSettings
{
    std::array<QString, 10> numbers;
    QString count = QStringLiteral("0");
    int alertFlag = 0;
    int warningFlag = 0;
    bool operator==(const SmsSettings&) const = default;
};

struct PhoneAlarm
{
    QString number;
    int enable = 0;
    bool operator==(const PhoneAlarm&) const = default;
};

struct AlarmFilter
{
    int repetitions = 1;
    int threshold = 0;
    bool operator==(const AlarmFilter&) const = default;
};

struct SimultaneousRule
{
    int warningCount = 1;
    int alertCount = 1;
    int lowAlertRaisesWarning = 0;
    int outputSeconds = 0;
    bool operator==(const SimultaneousRule&) const = default;
};

struct Voltages
{
    double supply5 = 5.02;
    double internal3 = 3.31;
    double battery = 12.64;
};

// Everything the logger keeps apart from its clock and its memory of acquisitions;
// "z" brings it back to the factory values below.
struct LoggerSettings
{
    QString name = QStringLiteral("LOGGER");
    AcquisitionTimer timer;
    int preheatingMs = 250;
    QDateTime startDate{QDate(2000, 1, 1), QTime(0, 0)};
    bool acquiring = false;
    std::array<int, kMultiplexers> channelCounts{1, 0, 0, 0};
    std::array<Calibration, kChannels> calibrations{};
    std::array<bool, kChannels> vibratingWire{};
    std::array<AlertRecord, kChannels> alerts{};
    std::array<WarningRecord, kChannels> warnings{};
    std::array<bool, kVirtualChannels> virtualInUse{};
    std::array<QString, 10> smsTexts{}; // warning lines 1..5, then alert lines 1..5
    SmsSettings sms;
    PhoneAlarm phoneAlarm;
    std::array<QString, 10> gprs{};
    AlarmFilter filter;
    SimultaneousRule simultaneous;
    bool eventsCounter = false;
    double pulseValue = 0.2;

    // The factory record: a name per channel, nothing else switched on.
    static LoggerSettings factory();
    // A logger set up the way a site would have it, for demonstrations and tests.
    static LoggerSettings demo();
};

} // namespace korvelan::sim
