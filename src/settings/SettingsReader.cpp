#include "settings/SettingsReader.h"

#include "common/FieldOrigin.h"
#include "link/NumberForms.h"
#include "link/Transport.h"

#include <QDateTime>

namespace korvelan::settings {

namespace {

constexpr int kChannelPause = 10; // hundredths, after each channel's exchange, as the windows
constexpr int kCountPause = 20;   // after each channel count
constexpr int kFixedExchanges = 17;

QString flagText(const replies::Flag& flag)
{
    return flag.on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void Reader::step()
{
    ++m_done;
    if (m_progress)
        m_progress(m_done, m_total);
}

QStringList Reader::ask(const QString& command, const QString& parameters, int fields)
{
    QStringList out;
    if (m_transport.cancelled())
        return out;
    m_transport.Invia_Comando(command, parameters);
    for (int i = 0; i < fields; ++i)
        out << m_transport.Leggi_Campo();
    step();
    return out;
}

ReadResult Reader::read()
{
    ReadResult r;
    auto& values = r.set.values;
    m_done = 0;
    m_total = kFixedExchanges;
    // Keeps a value whose reply gave it; names the field when the logger did not.
    const auto keep = [&](const QString& key, const QString& value, Origin origin) {
        values.insert(key, value);
        if (!isKnown(origin))
            r.unknown << specOf(key)->label;
    };
    const auto text = [&](const QString& key, const QString& field) {
        keep(key, field.trimmed(), replies::text(field));
    };
    const auto number = [&](const QString& key, const QString& field) {
        keep(key, field.trimmed(), replies::number(field));
    };
    const auto flag = [&](const QString& key, const replies::Flag& f) {
        keep(key, flagText(f), f.origin);
    };
    const auto channel = [](int c) { return numbers::leadingBlank(qint64(c)) + u','; };
    auto& t = m_transport;
    const auto done = [&] {
        r.cancelled = t.cancelled();
        return r.cancelled;
    };

    r.set.saved = QDateTime::currentDateTime();
    r.set.model = numbers::toInt16(ask(QStringLiteral("D"), QStringLiteral(","), 1).value(0));
    const QString name = ask(QStringLiteral("Q"), QString(), 1).value(0);
    text(QStringLiteral("name"), name);
    r.set.logger = name.trimmed();
    for (int m = 0; m < 4; ++m) {
        const QString field = ask(QStringLiteral("H"), channel(m), 1).value(0);
        keep(QStringLiteral("channels.mux%1").arg(m), field.trimmed(),
             replies::wholeNumber(field, 0, kMaxChannels));
        t.Pausa(kCountPause);
    }
    if (done())
        return r;
    const ChannelCounts counts = r.set.counts();
    for (int m = 0; m < 4; ++m)
        m_total += 2 * counts[size_t(m)] * (m < 2 ? 2 : 1);

    const QStringList timer = ask(QStringLiteral("C"), QStringLiteral(","), 3);
    for (int i = 0; i < 3; ++i)
        number(keys::timer(i), timer.value(i));
    number(QStringLiteral("preheating.ms"),
           ask(QStringLiteral("E"), QStringLiteral(","), 1).value(0));
    t.Svuota_Ingresso();
    const QStringList start = ask(QStringLiteral("Y"), QStringLiteral(","), 6);
    // As the window shows a date: day, month and year plain, hours and minutes with two digits.
    for (int i = 0; i < 5; ++i) {
        const QString field = start.value(i);
        keep(keys::start(i),
             i < 3 ? numbers::plain(numbers::leadingNumber(field))
                   : numbers::format(field, QStringLiteral("00")),
             replies::number(field));
    }
    t.Svuota_Ingresso();
    flag(QStringLiteral("acquisitions.on"),
         replies::flag(ask(QStringLiteral("O"), QString(), 1).value(0)));
    flag(QStringLiteral("events.on"),
         replies::flag(ask(QStringLiteral("U"), QStringLiteral(","), 1).value(0)));
    if (done())
        return r;

    for (int m = 0; m < 2; ++m) {
        for (int i = 0; i < counts[size_t(m)]; ++i) {
            const int c = kMaxChannels * m + i;
            const QStringList record = ask(QStringLiteral("R"), channel(c), 5);
            text(keys::sensor(c, 0), record.value(0));
            for (int v = 1; v < 5; ++v)
                number(keys::sensor(c, v), record.value(v));
            t.Pausa(kChannelPause);
            flag(keys::sensor(c, 5),
                 replies::nonZero(ask(QStringLiteral("]"), channel(c), 1).value(0)));
            t.Pausa(kChannelPause);
            if (done())
                return r;
        }
    }
    for (int m = 0; m < 4; ++m) {
        for (int i = 0; i < counts[size_t(m)]; ++i) {
            const int c = kMaxChannels * m + i;
            const QStringList alert = ask(QStringLiteral("J"), channel(c), 3);
            t.Pausa(kChannelPause);
            const QStringList warning = ask(QStringLiteral(")"), channel(c), 3);
            t.Pausa(kChannelPause);
            // The warning record's enable value is the one the window shows and writes.
            number(keys::alert(c, 0), warning.value(0));
            for (int v = 1; v < 5; ++v)
                number(keys::alert(c, v), (v < 3 ? alert : warning).value(1 + (v - 1) % 2));
            if (done())
                return r;
        }
    }

    const QStringList sms = ask(QStringLiteral("I"), QString(), 13);
    for (int i = 0; i < 10; ++i)
        text(QStringLiteral("sms.number%1").arg(i + 1), sms.value(i));
    text(QStringLiteral("sms.recipients"), sms.value(10));
    flag(QStringLiteral("sms.alerts"), replies::flag(sms.value(11)));
    flag(QStringLiteral("sms.warnings"), replies::flag(sms.value(12)));
    const QStringList phone = ask(QStringLiteral("F"), QString(), 2);
    text(QStringLiteral("sms.phone"), phone.value(0));
    flag(QStringLiteral("sms.phone-on"), replies::flag(phone.value(1)));
    t.Svuota_Ingresso();
    const QStringList gprs = ask(QStringLiteral("K"), QString(), 10);
    for (int i = 0; i < 10; ++i)
        text(keys::gprs(i), gprs.value(i));
    const QStringList lines = ask(QStringLiteral("X"), QString(), 10);
    for (int i = 0; i < 10; ++i) {
        const QString field = lines.value(i);
        keep(keys::smsText(i), field, replies::text(field));
    }
    const QStringList filter = ask(QStringLiteral("]"), QString(), 2);
    number(QStringLiteral("filter.repetitions"), filter.value(0));
    number(QStringLiteral("filter.threshold"), filter.value(1));
    const QStringList rule = ask(QStringLiteral(">"), QString(), 4);
    number(QStringLiteral("rule.warnings"), rule.value(0));
    number(QStringLiteral("rule.alerts"), rule.value(1));
    flag(QStringLiteral("rule.low-alert-warns"), replies::flag(rule.value(2)));
    number(QStringLiteral("rule.output-seconds"), rule.value(3));
    done();
    return r;
}

} // namespace korvelan::settings
