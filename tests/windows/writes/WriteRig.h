#pragma once

// The windows that write to the logger, each opened as the operator opens it, on the emulated
// logger, with what the tests of the write rule need: reading every group of a window, the
// write commands the logger took, the value controls and the names messages give them.
#include "sim/LoggerEmulator.h"
#include "support/Typing.h"
#include "ui/SwitchBox.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/main/EventsCounterGroup.h"
#include "windows/main/FileArea.h"
#include "windows/main/MainRig.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"
#include "windows/sensors/SensorWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>

namespace korvelan::test {

enum class Under { Main, Sensors, Alarms };

// A write command as the logger's command table has it: the lower-case letters (the readings
// "p" and "t" aside), "[", "(", and "<" or ">" with parameters.
inline bool isWrite(const sim::Command& c)
{
    const auto l = static_cast<unsigned char>(c.letter);
    return (std::islower(l) && l != 'p' && l != 't') || l == '[' || l == '(' ||
           ((l == '<' || l == '>') && !c.bare);
}

// The writes the logger took from command `from` on, as they came on the wire.
inline QStringList writesFrom(const sim::LoggerEmulator& logger, qsizetype from)
{
    QStringList out;
    const auto& all = logger.commands();
    const QStringList wire = commandsSent(logger);
    for (qsizetype i = from; i < all.size(); ++i) {
        if (isWrite(all[i]))
            out << wire[i];
    }
    return out;
}

// The demonstration logger with every value it keeps changed: a write whose bytes are the
// same on both carries none of them.
inline sim::LoggerSettings otherSettings()
{
    sim::LoggerSettings s = sim::LoggerSettings::demo();
    s.name = QStringLiteral("OTHER");
    s.timer = {1, 5, 7};
    s.preheatingMs = 1250;
    s.startDate = QDateTime(QDate(2027, 3, 4), QTime(5, 6));
    s.acquiring = !s.acquiring;
    s.channelCounts = {5, 3, 0, 0};
    for (int c = 0; c < sim::kChannels; ++c) {
        s.calibrations[size_t(c)] = {QStringLiteral("X%1").arg(c), 0.5, 4.5, -1, 1000.0 + c};
        s.vibratingWire[size_t(c)] = !s.vibratingWire[size_t(c)];
        s.alerts[size_t(c)] = {1, 50.0 + c, -5.0};
        s.warnings[size_t(c)] = {40.0 + c, -4.0};
    }
    for (auto& t : s.smsTexts)
        t = QStringLiteral("OTHER TEXT");
    s.sms = {{"111", "222", "333", "444", "555", "666", "777", "888", "999", "000"}, "10", 0, 1};
    s.phoneAlarm = {QStringLiteral("+390000"), 1};
    for (auto& g : s.gprs)
        g = QStringLiteral("other");
    s.filter = {4, 9};
    s.simultaneous = {3, 2, 1, 120};
    s.eventsCounter = !s.eventsCounter;
    s.pulseValue = 0.5;
    return s;
}

struct WriteRig : MainRig
{
    QTemporaryDir dir;
    Under under;

    explicit WriteRig(Under w, sim::LoggerSettings settings = sim::LoggerSettings::demo())
        : MainRig(std::move(settings)), under(w)
    {
        window.fileArea()->setFolder(dir.path());
        window.applyModel(0); // every frame shown, pre-heating too
        // This computer's time, fixed: "Set to PC time" writes the same minute every time.
        window.nameClock().setWallClock(
            [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 7, 30)); });
        open();
    }

    // The window under test, as the operator opens it (nothing read in it).
    QWidget& shown()
    {
        switch (under) {
        case Under::Sensors:
            return window.sensors();
        case Under::Alarms:
            return window.alarms();
        case Under::Main:
            break;
        }
        return window;
    }
    void open()
    {
        if (under == Under::Sensors)
            window.Leggi_poprieta();
        else if (under == Under::Alarms)
            window.messaging().Leggi_Allarmi();
        // Nothing is painted: the windows work the same unseen, and faster.
        shown().hide();
    }
    // The read-backs that may show the selections of a window: the first one makes its write
    // buttons usable in turn.
    [[nodiscard]] int selections() const
    {
        return under == Under::Sensors ? 2 : under == Under::Alarms ? AlarmWindow::kSelections : 1;
    }
    // Every group of the window read, its rows those of `selection`; `beforeOwnReads` runs
    // once what the window needs from the main window (the channel counts) is read.
    void readAll(int selection, const std::function<void()>& beforeOwnReads = {})
    {
        if (under != Under::Main) {
            window.channels().leggicanali();
            open();
        }
        if (beforeOwnReads)
            beforeOwnReads();
        switch (under) {
        case Under::Main:
            for (const auto& read : window.connectionReads())
                read.action();
            // The events counter's switch, as the connection reads it.
            transport.action([&] {
                transport.Invia_Comando(QStringLiteral("U"), QString());
                window.PLUVIOMETRO()->showReply(replies::flag(transport.Leggi_Campo()));
            });
            window.ReadSt();
            window.eventsCounter().mmpioggialeggi();
            break;
        case Under::Sensors:
            window.sensors().Leggi_prop(selection);
            break;
        case Under::Alarms: {
            auto& a = window.alarms();
            a.side().MESSAGGIO_PERSONALE_LEGGI();
            a.side().cmdLeggiFiltro();
            a.side().cmdContempLeggi();
            a.Leggi_all(selection);
            break;
        }
        }
    }

    // The controls of the window under test that hold one of the logger's values.
    [[nodiscard]] QList<QWidget*> valueControls()
    {
        QList<QWidget*> out;
        for (auto* w : shown().findChildren<QWidget*>()) {
            if (w->window() == &shown() &&
                (qobject_cast<ValueEdit*>(w) || qobject_cast<FlagBox*>(w)))
                out << w;
        }
        return out;
    }
    [[nodiscard]] static Origin originOf(const QWidget* w)
    {
        if (auto* e = qobject_cast<const ValueEdit*>(w))
            return e->origin();
        return qobject_cast<const FlagBox*>(w)->origin();
    }
    // Nothing is left locked: the main window's controls, the window's own buttons.
    [[nodiscard]] bool locked()
    {
        return window.lock().locked() || window.sensors().busy() || window.alarms().busy();
    }
    // A press as the operator gives it: a click, or for a switch the mouse on its box.
    static void press(QAbstractButton* b)
    {
        if (qobject_cast<SwitchBox*>(b))
            pressBox(b);
        else
            b->click();
    }
};

// The name a screen reader gives a control, the one messages name it by.
inline QString spokenName(QWidget* w)
{
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).trimmed();
}

// Whether `message` names the field called `name`: as it is, or within a run of numbered
// fields ("SMS numbers 1–10", "Channels 2–5 (name, zero volt)").
inline bool mentions(const QString& message, const QString& name)
{
    const auto isEnd = [](const QString& rest) {
        for (const char* e : {", ", " and ", " was ", " were ", " got ", " came ", " hold", "."})
            if (rest.startsWith(QLatin1String(e)))
                return true;
        return false;
    };
    const auto isStart = [&](qsizetype at) {
        if (at == 0)
            return true;
        const QString before = message.left(at);
        return before.endsWith(QLatin1String(", ")) || before.endsWith(QLatin1String(" and ")) ||
               before.endsWith(QLatin1String("; "));
    };
    for (qsizetype at = message.indexOf(name); at >= 0; at = message.indexOf(name, at + 1)) {
        if (isStart(at) && isEnd(message.mid(at + name.size())))
            return true;
    }
    static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d+)(\\D.*)?$"));
    const auto m = numbered.match(name);
    if (!m.hasMatch())
        return false;
    const QString prefix = m.captured(1);
    const int n = m.captured(2).toInt();
    const QString suffix = m.captured(3);
    const QString stem = prefix.endsWith(u' ') ? prefix.chopped(1) : prefix;
    const QRegularExpression run(QRegularExpression::escape(stem) + QStringLiteral("s?") +
                                 (prefix.endsWith(u' ') ? QStringLiteral(" ") : QString()) +
                                 QStringLiteral("(\\d+)(?:\u2013(\\d+))?(?: \\(([^)]*)\\))?"));
    for (auto it = run.globalMatch(message); it.hasNext();) {
        const auto r = it.next();
        const int first = r.captured(1).toInt();
        const int last = r.captured(2).isEmpty() ? first : r.captured(2).toInt();
        if (!isStart(r.capturedStart()) || n < first || n > last)
            continue;
        if (!r.captured(3).isEmpty()) {
            if (r.captured(3).split(QStringLiteral(", ")).contains(suffix.trimmed()))
                return true;
            continue;
        }
        const QString rest = message.mid(r.capturedEnd());
        if (rest.startsWith(suffix) && isEnd(rest.mid(suffix.size())))
            return true;
    }
    return false;
}

} // namespace korvelan::test
