#include "windows/main/NameClockGroup.h"

#include "common/ClockDrift.h"
#include "common/ParameterGuard.h"
#include "common/Prompter.h"
#include "link/ClockFields.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/FieldEdit.h"
#include "ui/Layouts.h"
#include "ui/WriteRecord.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvelan {

namespace datefields {

QString shownDatePart(const QString& field)
{
    return numbers::plain(numbers::leadingNumber(field));
}

QString shownTimePart(const QString& field)
{
    return numbers::format(field, QStringLiteral("00"));
}

bool timeIsValid(const QString& hours, const QString& minutes)
{
    const double h = numbers::leadingNumber(hours);
    const double m = numbers::leadingNumber(minutes);
    return h >= 0 && h <= 23 && m >= 0 && m <= 59;
}

bool refuseBadDate(Prompter& prompter, const std::array<FieldEdit*, 5>& f)
{
    static const char* const names[] = {"Day", "Month", "Year", "Hours", "Minutes"};
    QList<NumberField> fields;
    for (size_t i = 0; i < f.size(); ++i)
        fields.append({QString::fromLatin1(names[i]), f[i]->text()});
    return refuseNonNumbers(prompter, fields) ||
           refuseImpossibleDate(prompter, f[0]->text(), f[1]->text(), f[2]->text());
}

void show(const std::array<FieldEdit*, 5>& fields, const QStringList& reply)
{
    for (int i = 0; i < 5; ++i) {
        const QString field = reply.value(i);
        fields[size_t(i)]->showReply(i < 3 ? shownDatePart(field) : shownTimePart(field),
                                     replies::number(field));
    }
}

void addTo(WriteRecord& record, const std::array<FieldEdit*, 5>& f)
{
    const auto wireYear = [](const QString& text) {
        const auto year = numbers::roundHalfEven(numbers::leadingNumber(text));
        return numbers::leadingBlank(qint64(numbers::toWireYear(static_cast<int>(year))));
    };
    record.field(f[0]).field(f[1]).field(f[2], wireYear).field(f[3]).field(f[4]);
}

} // namespace datefields

namespace {
const QString kCheckValues = QStringLiteral("Please check inserted values! ");
}

NameClockGroup::NameClockGroup(GroupContext context, QWidget* calendarPage, QWidget* generalPage)
    : QObject(calendarPage), m_ctx(context)
{
    // Clock: Day / Month / Year, Hours : Minutes.
    auto* date = new QGroupBox(QStringLiteral("Date"), calendarPage);
    date->setObjectName(QStringLiteral("FrameDate"));
    m_dateFrame = date;
    auto* grid = new QGridLayout(date);
    m_data = layouts::dateFields(QStringLiteral("data"), QStringLiteral("Clock"), grid, 0, date);
    m_leggiData = layouts::button(QStringLiteral("leggidata"), QStringLiteral("Read Clock"), date);
    m_impostaData =
        layouts::button(QStringLiteral("impostadata"), QStringLiteral("Write Clock"), date);
    auto* pcTime =
        layouts::button(QStringLiteral("setPcTime"), QStringLiteral("Set to PC time"), date);
    pcTime->setToolTip(QStringLiteral("Write this computer's date and time into the logger"));
    grid->addLayout(layouts::row({m_leggiData, m_impostaData, pcTime}), 2, 0, 1, 6);
    m_drift = new QLabel(date);
    m_drift->setObjectName(QStringLiteral("lblDrift"));
    m_drift->setToolTip(QStringLiteral("The logger's clock gives the minute, not the second: the "
                                       "difference is within half a minute."));
    grid->addWidget(m_drift, 3, 0, 1, 6);
    grid->setColumnStretch(5, 1);
    layouts::addToPage(calendarPage, date);

    auto* id = new QGroupBox(QStringLiteral("ID"), generalPage);
    id->setObjectName(QStringLiteral("FrameID"));
    auto* idGrid = new QGridLayout(id);
    m_name = new FieldEdit(QStringLiteral("Nome_Centralina"), 10, id);
    idGrid->addWidget(layouts::caption(QStringLiteral("Datalogger ID"), m_name), 0, 0);
    idGrid->addWidget(m_name, 0, 1);
    m_leggiNome = layouts::button(QStringLiteral("leggi_nome"), QStringLiteral("Read ID"), id);
    m_impostaNome = layouts::button(QStringLiteral("imposta_nome"), QStringLiteral("Write ID"), id);
    idGrid->addWidget(m_leggiNome, 0, 2);
    idGrid->addWidget(m_impostaNome, 0, 3);
    idGrid->setColumnStretch(4, 1);
    layouts::addToPage(generalPage, id);

    connect(m_leggiNome, &QPushButton::clicked, this, &NameClockGroup::leggi_nome);
    connect(m_impostaNome, &QPushButton::clicked, this, &NameClockGroup::imposta_nome);
    connect(m_leggiData, &QPushButton::clicked, this, &NameClockGroup::leggidata);
    connect(m_impostaData, &QPushButton::clicked, this, &NameClockGroup::impostadata);
    connect(pcTime, &QPushButton::clicked, this, &NameClockGroup::setPcTime);
}

QList<QPushButton*> NameClockGroup::buttons() const
{
    return {m_leggiNome, m_impostaNome, m_leggiData, m_impostaData};
}

void NameClockGroup::leggi_nome()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Invia_Comando(QStringLiteral("Q"), QString());
        const QString name = m_ctx.transport.Leggi_Campo();
        m_name->showReply(name.trimmed(), replies::text(name));
    });
}

void NameClockGroup::imposta_nome()
{
    m_ctx.lock.exchange([&] {
        WriteRecord record(m_ctx.prompter, QStringLiteral("read the ID first (\"Read ID\")"));
        const auto commands = record.command(QStringLiteral("q")).field(m_name).take();
        if (!commands)
            return;
        m_name->markInStep();
        m_name->reshow(m_name->text().trimmed());
        send(m_ctx.transport, commands->first());
    });
}

void NameClockGroup::leggidata()
{
    m_ctx.lock.exchange([&] {
        m_ctx.transport.Svuota_Ingresso();
        m_ctx.transport.Invia_Comando(QStringLiteral("G"), QStringLiteral(","));
        QStringList reply;
        for (int i = 0; i < 5; ++i)
            reply << m_ctx.transport.Leggi_Campo();
        datefields::show(m_data, reply);
        showDrift(reply);
    });
}

void NameClockGroup::impostadata()
{
    m_ctx.lock.exchange([&] {
        WriteRecord record(m_ctx.prompter, QStringLiteral("read the clock first (\"Read Clock\")"));
        datefields::addTo(record.command(QStringLiteral("g")), m_data);
        const auto commands = record.take();
        if (!commands)
            return;
        if (!datefields::timeIsValid(m_data[3]->text(), m_data[4]->text())) {
            m_ctx.prompter.inform(PromptIcon::Information, QStringLiteral("Warning!!"),
                                  kCheckValues);
            m_ctx.prompter.beep();
            return;
        }
        if (datefields::refuseBadDate(m_ctx.prompter, m_data))
            return;
        for (auto* f : m_data)
            f->markInStep();
        send(m_ctx.transport, commands->first());
        leggidata();
    });
}

void NameClockGroup::showDrift(const QStringList& reply)
{
    // Taken as the reply has arrived, against the minute the logger gave.
    const auto minute = clockdrift::loggerMinute(reply);
    if (!minute) {
        m_drift->clear();
        return;
    }
    const qint64 drift = clockdrift::seconds(*minute, m_wallClock());
    m_drift->setText(clockdrift::text(drift));
    QPalette palette = m_drift->palette();
    palette.setColor(QPalette::WindowText,
                     std::llabs(drift) > clockdrift::kWarnAbove
                         ? kWarningText
                         : QApplication::palette().color(QPalette::WindowText));
    m_drift->setPalette(palette);
}

void NameClockGroup::setPcTime()
{
    m_ctx.lock.exchange([&] {
        const clockfields::Fields fields = clockfields::fromDateTime(m_wallClock());
        for (size_t i = 0; i < m_data.size(); ++i)
            m_data[i]->setChosen(fields[i]);
        impostadata();
    });
}

} // namespace korvelan
