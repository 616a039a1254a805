// The logger's settings as commands: the replies to the reading letters, the counted blocks
// of the letters alone, and the writes.
#include "sim/LoggerEmulator.h"
#include "sim/ReplyFields.h"

namespace korvelan::sim {

using namespace fields;

QDateTime LoggerEmulator::wallToDate(const QList<QByteArray>& fields, int first) const
{
    Command c;
    c.fields = fields;
    const QDate date(numbers::fromWireYear(integer(c, first + 2)), integer(c, first + 1),
                     integer(c, first));
    const QTime time(integer(c, first + 3), integer(c, first + 4), integer(c, first + 5));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

QByteArray LoggerEmulator::read(const Command& command, TimePoint at) const
{
    const auto& s = m_settings;
    const int n = integer(command, 0);
    switch (command.letter) {
    case 'C':
        return row({numbers::zeroPadded(s.timer.hours, 3), numbers::zeroPadded(s.timer.minutes, 3),
                    numbers::zeroPadded(s.timer.seconds, 3)});
    case 'D':
        // The model code, then the firmware version that the program does not read.
        return row({padded(m_modelCode), QStringLiteral(" 2.07")});
    case 'E':
        return row({numbers::zeroPadded(s.preheatingMs, 5)});
    case 'F':
        return row({s.phoneAlarm.number, QString::number(s.phoneAlarm.enable)});
    case 'G': {
        const QDateTime now = clockAt(at);
        return row({two(now.date().day()), two(now.date().month()),
                    QString::number(now.date().year()), two(now.time().hour()),
                    two(now.time().minute())});
    }
    case 'H':
        return row({padded(command.bare ? channelCount(0) : channelCount(n))});
    case 'I': {
        QStringList fields(s.sms.numbers.begin(), s.sms.numbers.end());
        fields << s.sms.count << QString::number(s.sms.alertFlag)
               << QString::number(s.sms.warningFlag);
        return row(fields);
    }
    case 'J': {
        const AlertRecord a = validChannel(n) ? s.alerts[n] : AlertRecord{};
        return row({padded(a.enable), padded(a.upper), padded(a.lower)});
    }
    case 'K':
        return row(QStringList(s.gprs.begin(), s.gprs.end()));
    case 'M':
        return row({width(m_memory.capacity(), 5), width(m_memory.free(), 5)});
    case 'O':
        return row({QString::number(s.acquiring ? 1 : 0)});
    case 'Q':
        // Padded to the full name length, so the counted read of five characters is served too.
        return row({s.name.leftJustified(kNameLength)});
    case 'R': {
        const Calibration c = validChannel(n) ? s.calibrations[n] : Calibration{};
        return row({c.name, padded(c.zeroVolt), padded(c.fullScaleVolt), padded(c.zeroPhysical),
                    padded(c.fullScalePhysical)});
    }
    case 'U':
        return row({QString::number(s.eventsCounter ? 1 : 0)});
    case 'W':
        return row({padded(m_voltages.supply5, 2), padded(m_voltages.internal3, 2),
                    padded(m_voltages.battery, 2)});
    case 'X':
        return row(QStringList(s.smsTexts.begin(), s.smsTexts.end()));
    case 'Y': {
        const QDateTime& d = s.startDate;
        return row({two(d.date().day()), two(d.date().month()), QString::number(d.date().year()),
                    two(d.time().hour()), two(d.time().minute()), two(d.time().second())});
    }
    case '<':
        return row({padded(s.pulseValue)});
    case '>':
        return row({padded(s.simultaneous.warningCount), padded(s.simultaneous.alertCount),
                    QString::number(s.simultaneous.lowAlertRaisesWarning),
                    padded(s.simultaneous.outputSeconds)});
    case ']':
        if (command.bare)
            return row({padded(s.filter.repetitions), padded(s.filter.threshold)});
        return row({padded(validChannel(n) && s.vibratingWire[n] ? 1 : 0)});
    case '/':
        return row({padded(n >= 0 && n < kVirtualChannels && s.virtualInUse[n] ? 1 : 0)});
    case ')': {
        const AlertRecord a = validChannel(n) ? s.alerts[n] : AlertRecord{};
        const WarningRecord w = validChannel(n) ? s.warnings[n] : WarningRecord{};
        return row({padded(a.enable), padded(w.upper), padded(w.lower)});
    }
    default:
        return {};
    }
}

// The blocks of the letters alone: values at fixed places, for readers that count characters.
QByteArray LoggerEmulator::readCounted(char letter, TimePoint at) const
{
    const auto three = [](int v) { return numbers::zeroPadded(v, 3); };
    const auto dateBlock = [&three](const QDateTime& t) {
        return QStringList{three(t.date().day()), three(t.date().month()),
                           three(t.date().year() - 2000), three(t.time().hour()),
                           three(t.time().minute())};
    };
    switch (letter) {
    case 'G': // 19 characters: dd,mm,yy,hh,mm in fields of three, no comma at the end
        return dateBlock(clockAt(at)).join(QLatin1Char(',')).toLatin1();
    case 'E': // 5 characters
        return numbers::zeroPadded(m_settings.preheatingMs, 5).toLatin1();
    case 'H': { // the count of multiplexer 0 in four characters, then each active index
        const int n = channelCount(0);
        QStringList fields{width(n, 3)};
        for (int i = 0; i < n; ++i)
            fields << width(i, 3);
        return row(fields);
    }
    case 'N': { // 20 characters: the next acquisition, as the clock block with a final comma
        const QDateTime next = m_nextAcquisition.isValid()
                                   ? m_nextAcquisition
                                   : QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
        return row(dateBlock(next));
    }
    case 'T': { // 3 characters: the logger's own temperature
        const int t =
            std::clamp(static_cast<int>(std::lround(temperature(-1, clockAt(at)))), -9, 99);
        return row({width(t, 2)});
    }
    default:
        return {};
    }
}

void LoggerEmulator::write(const Command& command)
{
    auto& s = m_settings;
    const TimePoint at = command.completed;
    const int n = integer(command, 0);
    switch (command.letter) {
    case 'b':
        eraseMemory();
        return;
    case 'c':
        setTimer(AcquisitionTimer{std::clamp(n, 0, 999), std::clamp(integer(command, 1), 0, 999),
                                  std::clamp(integer(command, 2), 0, 999)},
                 at);
        return;
    case 'd':
        return; // the program's farewell; nothing changes here
    case 'e':
        s.preheatingMs = std::clamp(n, 0, kMaxPreheatingMs);
        return;
    case 'f':
        s.phoneAlarm = PhoneAlarm{text(command, 0), integer(command, 1)};
        return;
    case 'g': {
        const QDate date(numbers::fromWireYear(integer(command, 2)), integer(command, 1), n);
        const QTime time(integer(command, 3), integer(command, 4));
        if (date.isValid() && time.isValid())
            setClock(QDateTime(date, time, Qt::UTC), at);
        return;
    }
    case 'h':
        setChannelCount(n, integer(command, 1));
        return;
    case 'i':
        for (int i = 0; i < 10; ++i)
            s.sms.numbers[i] = text(command, i);
        s.sms.count = text(command, 10).trimmed();
        s.sms.alertFlag = integer(command, 11);
        s.sms.warningFlag = integer(command, 12);
        return;
    case 'j':
        if (validChannel(n))
            s.alerts[n] = AlertRecord{integer(command, 1), number(command, 2), number(command, 3)};
        return;
    case 'k':
        for (int i = 0; i < 10; ++i)
            s.gprs[i] = text(command, i);
        return;
    case 'o':
        setAcquiring(n != 0, at);
        return;
    case 'q':
        setName(text(command, 0));
        return;
    case 'r':
        if (validChannel(n))
            s.calibrations[n] =
                Calibration{text(command, 1).left(kNameLength), number(command, 2),
                            number(command, 3), number(command, 4), number(command, 5)};
        return;
    case 'u':
        s.eventsCounter = n != 0;
        return;
    case 'x':
        for (int i = 0; i < 10; ++i)
            s.smsTexts[i] = text(command, i).left(kSmsLineLength);
        return;
    case 'y': {
        const QDate date(numbers::fromWireYear(integer(command, 2)), integer(command, 1), n);
        const QTime time(integer(command, 3), integer(command, 4));
        if (date.isValid() && time.isValid())
            setStartDate(QDateTime(date, time, Qt::UTC), at);
        return;
    }
    case 'z':
        reset(at);
        return;
    case '<':
        s.simultaneous =
            SimultaneousRule{n, integer(command, 1), integer(command, 2), integer(command, 3)};
        return;
    case '>':
        s.pulseValue = number(command, 0);
        return;
    case '[':
        // The program writes a channel number with its leading blank and a repetition count
        // of the filter without one: that is how the two writes of "[" are told apart.
        if (command.fields.value(0).startsWith(' ')) {
            if (validChannel(n))
                s.vibratingWire[n] = integer(command, 1) != 0;
        } else {
            s.filter = AlarmFilter{n, integer(command, 1)};
        }
        return;
    case '(':
        if (validChannel(n))
            s.warnings[n] = WarningRecord{number(command, 1), number(command, 2)};
        return;
    default:
        return;
    }
}

} // namespace korvelan::sim
