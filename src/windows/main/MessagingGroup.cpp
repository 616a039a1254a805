#include "windows/main/MessagingGroup.h"

#include "common/ParameterGuard.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "windows/main/CommandLock.h"
#include "windows/main/FieldEdit.h"
#include "windows/main/Layouts.h"
#include "windows/main/SwitchBox.h"

#include <QCheckBox>
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

// A flag as the switches read it: 1 is on, anything else off.
bool flagOn(const QString& field)
{
    return numbers::toInt16(field) == 1;
}

QString withCommas(const QStringList& values)
{
    QString out;
    for (const auto& v : values)
        out += v + QLatin1Char(',');
    return out;
}

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
    m_phoneOn = new QCheckBox(frame);
    m_phoneOn->setObjectName(QStringLiteral("Abilita_Telefono"));
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
        const auto show = [&t](QLineEdit* box) {
            const QString field = t.Leggi_Campo();
            box->setText(field.trimmed());
            if (auto* edit = qobject_cast<FieldEdit*>(box))
                edit->markReply(field, kDesign);
            return field;
        };
        for (auto* box : m_numbers)
            show(box);
        show(m_count);
        m_alerts->setChecked(flagOn(t.Leggi_Campo()));
        m_warnings->setChecked(flagOn(t.Leggi_Campo()));

        t.Invia_Comando(QStringLiteral("F"), QString());
        const QString phone = show(m_phone);
        const QString phoneOn = t.Leggi_Campo();
        m_phoneOn->setChecked(flagOn(phoneOn));
        m_phoneKnown = phone != Transport::kNoAnswer && phoneOn != Transport::kNoAnswer;
    });
}

bool MessagingGroup::sendRecords(const QString& alertFlag, const QString& warningFlag)
{
    QStringList values;
    for (auto* box : m_numbers)
        values << box->text().trimmed();
    values << m_count->text().trimmed();
    if (refuseCommas(m_ctx.prompter, values) || refuseUnanswered(m_ctx.prompter, values))
        return false;
    auto& t = m_ctx.transport;
    t.Invia_Comando(QStringLiteral("i"), withCommas(values) + alertFlag + QLatin1Char(',') +
                                             warningFlag + QLatin1Char(','));
    // Written back as it was read; one never read is left as the logger has it.
    if (m_phoneKnown)
        t.Invia_Comando(QStringLiteral("f"),
                        withCommas({m_phone->text().trimmed(),
                                    numbers::leadingBlank(qint64(m_phoneOn->isChecked()))}));
    return true;
}

void MessagingGroup::SCRIVI_GSM()
{
    m_ctx.lock.exchange([&] {
        const auto flag = [](const QCheckBox* box) {
            return numbers::leadingBlank(qint64(box->isChecked()));
        };
        if (sendRecords(flag(m_alerts), flag(m_warnings)))
            LEGGI_GSM();
    });
}

void MessagingGroup::switchSms(bool alert, bool on)
{
    m_ctx.lock.exchange([&] {
        const QString wanted = on ? QStringLiteral("1") : QStringLiteral("0");
        const QString other = (alert ? m_warnings : m_alerts)->isChecked() ? QStringLiteral("1")
                                                                           : QStringLiteral("0");
        if (!sendRecords(alert ? wanted : other, alert ? other : wanted))
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
            box->setText(field);
            box->markReply(field);
        }
    });
}

void MessagingGroup::ScriviGPRS()
{
    m_ctx.lock.exchange([&] {
        QStringList values;
        for (auto* box : m_gprs) {
            box->setText(box->text().trimmed());
            values << box->text();
        }
        if (refuseCommas(m_ctx.prompter, values) || refuseUnanswered(m_ctx.prompter, values))
            return;
        m_ctx.transport.Invia_Comando(QStringLiteral("k"), withCommas(values));
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
