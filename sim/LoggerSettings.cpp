#include "sim/LoggerSettings.h"

namespace korvelan::sim {

LoggerSettings LoggerSettings::factory()
{
    LoggerSettings s;
    for (int c = 0; c < kChannels; ++c)
        s.calibrations[c].name = QStringLiteral("CH%1").arg(c);
    s.gprs = {QString(),           QString(),          QString(), QString(),
              QString(),           QString(),          QString(), QStringLiteral("21"),
              QStringLiteral("1"), QStringLiteral("0")};
    return s;
}

LoggerSettings LoggerSettings::demo()
{
    LoggerSettings s = factory();
    s.name = QStringLiteral("SITE1");
    s.channelCounts = {4, 2, 0, 0};
    s.acquiring = true;
    // Multiplexer 0 carries vibrating-wire gauges on its first bank, multiplexer 1 analog sensors.
    for (int c = 0; c < 8; ++c)
        s.vibratingWire[c] = true;
    s.calibrations[16] = Calibration{QStringLiteral("LEVEL-01"), 0.0, 2.5, 0.0, 350.0};
    s.alerts[0] = AlertRecord{1, 3100.0, 2100.0};
    s.warnings[0] = WarningRecord{3000.0, 2200.0};
    for (int n = 0; n < 4; ++n)
        s.virtualInUse[n] = true;
    s.smsTexts = {
        QStringLiteral("WARNING"), QStringLiteral("SITE1"), QString(), QString(), QString(),
        QStringLiteral("ALERT"),   QStringLiteral("SITE1"), QString(), QString(), QString()};
    s.sms.numbers[0] = QStringLiteral("+393331234567");
    s.sms.count = QStringLiteral("1");
    s.sms.alertFlag = 1;
    s.phoneAlarm = PhoneAlarm{QStringLiteral("+393331234567"), 0};
    s.gprs = {QStringLiteral("user"),         QStringLiteral("pass"),
              QStringLiteral("internet.apn"), QStringLiteral("ftp.example.org"),
              QStringLiteral("site1"),        QStringLiteral("secret"),
              QStringLiteral("/upload"),      QStringLiteral("21"),
              QStringLiteral("10"),           QStringLiteral("0")};
    return s;
}

} // namespace korvelan::sim
