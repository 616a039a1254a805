#include "windows/main/MessagingGroup.h"

#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/FieldEdit.h"
#include "ui/Layouts.h"
#include "ui/SwitchBox.h"
#include "ui/WriteRecord.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvelan {

namespace {

struct GprsField
{
    const char* caption;
    int length;
};
const GprsField kGprs[] = {{"GPRS USERNAME", 14}, {"GPRS PASSWORD", 16}, {"APN SERVER", 29},
                           {"FTP SERVER", 29},    {"FTP USERNAME", 20},  {"FTP PASSWORD", 20},
                           {"FTP DIRECTORY", 29}, {"FTP PORT", 8},       {"MIN ACQ TO SEND", 8},
                           {"SEND ALL DATA", 8}};
constexpr int kSwitchPause = 50; // hundredths, before a switch is read back
const QString kReadSmsFirst = QStringLiteral("read the SMS settings first (\"Read\")");

} // namespace

MessagingGroup::MessagingGroup(GroupContext context, QWidget* gprsPage, QWidget* alertsPage,
                               std::function<void()> openAlarms)
    : QObject(alertsPage), m_ctx(context), m_openAlarms(std::move(openAlarms))
{
    buildSms(alertsPage);
    buildGprs(gprsPage);
}

void MessagingGroup::buildSms(QWidget* page)
{
    auto* frame = new QGroupBox(QStringLiteral("GSM"), page);
    frame->setObjectName(QStringLiteral("FrameGSM"));
    auto* grid = new QGridLayout(frame);
    constexpr int kPerColumn = kRecipients / 2;
    for (int i = 0; i < kRecipients; ++i) {
        auto* field =
            new FieldEdit(QStringLiteral("NUMERO_ALLARME_SMS%1").arg(i), kNumberLength, frame);
        field->setAccessibleName(QStringLiteral("SMS number %1").arg(i + 1));
        m_numbers[size_t(i)] = field;
        const int column = (i / kPerColumn) * 2;
        grid->addWidget(layouts::caption(QString::number(i + 1), field), i % kPerColumn, column,
                        Qt::AlignRight);
        grid->addWidget(field, i % kPerColumn, column + 1);
    }
    // Kept for the write, not shown: the recipient count and the telephone alarm.
    m_count = new FieldEdit(QStringLiteral("NUMERO_ALLARMI_SMS"), kNumberLength, frame);
    auto* countLabel = layouts::caption(QStringLiteral("# Recipients"), m_count);
    m_phone = new FieldEdit(QStringLiteral("NUMERO_ALLARME_TELEFONO"), kNumberLength, frame);
    m_phone->setAccessibleName(QStringLiteral("Telephone alarm number"));
    m_phoneOn = new FlagBox(QStringLiteral("Abilita_Telefono"), QString(), frame);
    m_phoneOn->setAccessibleName(QStringLiteral("Telephone alarm"));
    m_phoneOn->setEnabled(false); // shows the logger's flag; no one ticks it
    for (QWidget* hidden : {static_cast<QWidget*>(countLabel), static_cast<QWidget*>(m_count),
                            static_cast<QWidget*>(m_phone), static_cast<QWidget*>(m_phoneOn)})
        hidden->hide();

    m_alerts =
        new SwitchBox(QStringLiteral("Abilita_SMS"), QStringLiteral("Enable SMS Alert"), frame);
    m_warnings = new SwitchBox(QStringLiteral("PREABILITA_SMS"),
                               QStringLiteral("Enable SMS Warning"), frame);
    auto* read = layouts::button(QStringLiteral("LEGGI_GSM"), QStringLiteral("Read"), frame);
    auto* write = layouts::button(QStringLiteral("SCRIVI_GSM"), QStringLiteral("Write"), frame);
    grid->addWidget(m_alerts, kPerColumn, 1);
    grid->addWidget(m_warnings, kPerColumn, 3);
    grid->addLayout(layouts::row({read, write}), kPerColumn + 1, 1, 1, 3);
    grid->setColumnStretch(4, 1);
    layouts::addToPage(page, frame);

    auto* alarms = new QGroupBox(QStringLiteral("Alerts"), page);
    alarms->setObjectName(QStringLiteral("FrameAlerts"));
    auto* row = new QHBoxLayout(alarms);
    auto* open = layouts::button(QStringLiteral("Leggi_Allarmi"),
                                 QStringLiteral("Configure Alerts and Warnings"), alarms);
    row->addWidget(open);
    row->addStretch(1);
    layouts::addToPage(page, alarms);

    connect(read, &QPushButton::clicked, this, &MessagingGroup::LEGGI_GSM);
    connect(write, &QPushButton::clicked, this, &MessagingGroup::SCRIVI_GSM);
    connect(open, &QPushButton::clicked, this, &MessagingGroup::Leggi_Allarmi);
    connect(m_alerts, &SwitchBox::switchRequested, this, [this](bool on) { switchSms(true, on); });
    connect(m_warnings, &SwitchBox::switchRequested, this,
            [this](bool on) { switchSms(false, on); });
}

void MessagingGroup::buildGprs(QWidget* page)
{
    auto* frame = new QGroupBox(QStringLiteral("GPRS"), page);
    frame->setObjectName(QStringLiteral("FrameGPRS"));
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < kGprsFields; ++i) {
        auto* field = new FieldEdit(QStringLiteral("GPRS%1").arg(i), kGprs[i].length, frame);
        m_gprs[size_t(i)] = field;
        grid->addWidget(layouts::caption(QString::fromLatin1(kGprs[i].caption), field), i, 0);
        grid->addWidget(field, i, 1);
    }
    auto* read =
        layouts::button(QStringLiteral("LeggiGPRS"), QStringLiteral("Read GPRS parameters"), frame);
    auto* write = layouts::button(QStringLiteral("ScriviGPRS"),
                                  QStringLiteral("Write GPRS parameters"), frame);
    grid->addLayout(layouts::row({read, write}), kGprsFields, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    layouts::addToPage(page, frame);
    connect(read, &QPushButton::clicked, this, &MessagingGroup::LeggiGPRS);
    connect(write, &QPushButton::clicked, this, &MessagingGroup::ScriviGPRS);
}

void MessagingGroup::LEGGI_GSM()
{
    m_ctx.lock.exchange([&] {
        auto& t = m_ctx.transport;
        t.Invia_Comando(QStringLiteral("I"), QString());
        // Pale yellow is the in-step colour of this group.
        const auto show = [&t](FieldEdit* box) {
            const QString field = t.Leggi_Campo();
            box->showReply(field.trimmed(), replies::text(field), kDesign);
        };
        for (auto* box : m_numbers)
            show(box);
        show(m_count);
        m_alerts->showReply(replies::flag(t.Leggi_Campo()));
        m_warnings->showReply(replies::flag(t.Leggi_Campo()));

        t.Invia_Comando(QStringLiteral("F"), QString());
        show(m_phone);
        m_phoneOn->showReply(replies::flag(t.Leggi_Campo()));
    });
}

bool MessagingGroup::sendRecords(FlagForm form, std::optional<bool> alert,
                                 std::optional<bool> warning)
{
    WriteRecord record(m_ctx.prompter, kReadSmsFirst);
    record.command(QStringLiteral("i"));
    for (auto* box : m_numbers)
        record.field(box);
    record.field(m_count).flag(m_alerts, form, alert).flag(m_warnings, form, warning);
    // Never shown nor typed: written back as the logger gave it.
    record.command(QStringLiteral("f")).field(m_phone).flag(m_phoneOn, FlagForm::LeadingBlank);
    const auto commands = record.take();
    if (!commands)
        return false;
    for (const auto& c : *commands)
        send(m_ctx.transport, c);
    return true;
}

void MessagingGroup::SCRIVI_GSM()
{
    m_ctx.lock.exchange([&] {
        if (sendRecords(FlagForm::LeadingBlank, std::nullopt, std::nullopt))
            LEGGI_GSM();
    });
}

void MessagingGroup::switchSms(bool alert, bool on)
{
    m_ctx.lock.exchange([&] {
        // The pressed box with the state asked for, the other as it shows, both plain.
        const auto pressed = [&](bool isAlert) {
            return isAlert == alert ? std::optional(on) : std::nullopt;
        };
        if (!sendRecords(FlagForm::Plain, pressed(true), pressed(false)))
            return;
        m_ctx.transport.Pausa(kSwitchPause);
        LEGGI_GSM();
    });
}

void MessagingGroup::LeggiGPRS()
{
    m_ctx.lock.exchange([&] {
        auto& t = m_ctx.transport;
        t.Svuota_Ingresso();
        t.Invia_Comando(QStringLiteral("K"), QString());
        for (auto* box : m_gprs) {
            const QString field = t.Leggi_Campo();
            box->showReply(field, replies::text(field));
        }
    });
}

void MessagingGroup::ScriviGPRS()
{
    m_ctx.lock.exchange([&] {
        WriteRecord record(m_ctx.prompter,
                           QStringLiteral("read the GPRS parameters first (\"Read GPRS "
                                          "parameters\")"));
        record.command(QStringLiteral("k"));
        for (auto* box : m_gprs)
            record.field(box);
        const auto commands = record.take();
        if (!commands)
            return;
        for (auto* box : m_gprs)
            box->reshow(box->text().trimmed());
        send(m_ctx.transport, commands->first());
        for (auto* box : m_gprs)
            box->markInStep();
    });
}

void MessagingGroup::Leggi_Allarmi()
{
    m_ctx.lock.exchange([&] {
        if (m_openAlarms)
            m_openAlarms();
    });
}

} // namespace korvelan
