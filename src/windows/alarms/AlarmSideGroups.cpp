#include "windows/alarms/AlarmSideGroups.h"

#include "common/ParameterGuard.h"
#include "common/Prompter.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/FieldEdit.h"
#include "ui/FlagBox.h"
#include "ui/Layouts.h"
#include "ui/ValueEdit.h"
#include "ui/WriteRecord.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

namespace korvelan {

namespace {

const QString kCancelled = QStringLiteral("Operation Cancelled");
const QString kAbandoned = QStringLiteral("Azione annullata");
constexpr int kLinePause = 10; // hundredths, after each SMS line
constexpr int kWritePause = 3; // after the rule is written

// Why the filter cannot be written, or nothing. The logger takes whole numbers only: a
// fraction is no valid value either.
std::optional<QString> filterProblem(const QString& repetitions, const QString& threshold)
{
    double v = 0;
    if (repetitions.isEmpty())
        return QStringLiteral("Specificare il numero massimo di ripetizioni.");
    if (!numbers::isNumeric(repetitions, &v))
        return QStringLiteral("Specificare un valido numero massimo di ripetizioni.");
    if (v > 8 || v < 1)
        return QStringLiteral("Specificare un valido numero massimo di ripetizioni (1-8).");
    if (!isWholeNumber(repetitions))
        return QStringLiteral("Specificare un valido numero massimo di ripetizioni.");
    if (threshold.isEmpty())
        return QStringLiteral("Specificare la soglia del filtro.");
    if (!isWholeNumber(threshold))
        return QStringLiteral("Specificare una soglia valida per il filtro.");
    return std::nullopt;
}

std::optional<QString> ruleProblem(const QString& warnings, const QString& alerts,
                                   const QString& duration)
{
    double v = 0;
    if (warnings.isEmpty())
        return QStringLiteral(
            "Insert minimum # of sensors over Warning threashold to raise a Warning.");
    if (!isWholeNumber(warnings))
        return QStringLiteral(
            "Insert a valid # of sensors over Warning threashold to raise a Warning.");
    if (alerts.isEmpty())
        return QStringLiteral(
            "Insert minimum # of sensors over Alert threashold to raise an Alert.");
    if (!isWholeNumber(alerts))
        return QStringLiteral(
            "Insert a valid # of sensors over Alert threashold to raise an Alert.");
    if (duration.isEmpty())
        return QStringLiteral("Insert duration of local Alert/Warning [sec].");
    if (!numbers::isNumeric(duration, &v))
        return QStringLiteral("Insert a valid duration of local Alert/Warning [sec].");
    if (v > AlarmSideGroups::kLongestOutput || v < 0)
        return QStringLiteral("Insert a valid duration of local Alert/Warning [sec] (0-28800).");
    return std::nullopt;
}

// Any change of the text marks the box as edited, the program's own changes too.
void markEdits(QLineEdit* box)
{
    QObject::connect(box, &QLineEdit::textChanged, box, [box] { setBackground(box, kEdited); });
}

} // namespace

AlarmSideGroups::AlarmSideGroups(ExchangeWindow& window, Transport& transport, Prompter& prompter,
                                 std::function<void()> forgetRealRows)
    : QObject(&window), m_window(window), m_transport(transport), m_prompter(prompter),
      m_forgetRealRows(std::move(forgetRealRows))
{}

QPushButton* AlarmSideGroups::addButton(const QString& name, const QString& caption,
                                        QWidget* parent)
{
    auto* b = layouts::button(name, caption, parent);
    m_window.addLocked(b);
    return b;
}

void AlarmSideGroups::refuse(const QString& title, const QString& text)
{
    m_prompter.inform(PromptIcon::Warning, title, text);
}

QWidget* AlarmSideGroups::buildSms(QWidget* parent)
{
    auto* frame = new QGroupBox(QStringLiteral("SMS"), parent);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("SMS for Warnings"), frame), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("SMS for Alerts"), frame), 0, 1);
    for (int i = 0; i < 2 * kSmsLines; ++i) {
        const bool alert = i >= kSmsLines;
        auto* e = new ValueEdit(QStringLiteral("%1%2")
                                    .arg(alert ? QStringLiteral("SMS_PERSONALIZZATO")
                                               : QStringLiteral("PRESMS_PERSONALIZZATO"))
                                    .arg(i % kSmsLines),
                                frame);
        limitTyping(e, kSmsLineLength);
        layouts::fitWidth(e, QString(kSmsLineLength, QLatin1Char('0')));
        e->setAccessibleName(QStringLiteral("%1 SMS line %2")
                                 .arg(alert ? QStringLiteral("Alert") : QStringLiteral("Warning"))
                                 .arg(i % kSmsLines + 1));
        setBackground(e, kPlain);
        markEdits(e);
        m_sms[size_t(i)] = e;
        grid->addWidget(e, 1 + i % kSmsLines, alert ? 1 : 0);
    }
    grid->addWidget(new QLabel(QStringLiteral("( 5 X 25 Char.)"), frame), kSmsLines + 1, 0);
    auto* read =
        addButton(QStringLiteral("MESSAGGIO_PERSONALE_LEGGI"), QStringLiteral("READ SMS"), frame);
    auto* write = addButton(QStringLiteral("MESSAGGIO_PERSONALE_SCRIVI"),
                            QStringLiteral("WRITE  SMS"), frame);
    grid->addWidget(read, kSmsLines + 2, 0);
    grid->addWidget(write, kSmsLines + 2, 1);
    connect(read, &QPushButton::clicked, this, &AlarmSideGroups::MESSAGGIO_PERSONALE_LEGGI);
    connect(write, &QPushButton::clicked, this, &AlarmSideGroups::MESSAGGIO_PERSONALE_SCRIVI);
    return frame;
}

QWidget* AlarmSideGroups::buildFilter(QWidget* parent)
{
    auto* frame = new QGroupBox(QStringLiteral("Filtro"), parent);
    auto* grid = new QGridLayout(frame);
    m_repetitions = new ValueEdit(QStringLiteral("txtMaxRipetizioni"), frame);
    m_threshold = new ValueEdit(QStringLiteral("txtFiltroSoglia"), frame);
    for (auto* box : {m_repetitions, m_threshold})
        layouts::fitWidth(box, QStringLiteral("00000"));
    grid->addWidget(layouts::caption(QStringLiteral("Max ripetizioni"), m_repetitions), 0, 0);
    grid->addWidget(m_repetitions, 0, 1);
    grid->addWidget(layouts::caption(QStringLiteral("Soglia (mV x 5)"), m_threshold), 1, 0);
    grid->addWidget(m_threshold, 1, 1);
    auto* read = addButton(QStringLiteral("cmdLeggiFiltro"), QStringLiteral("LEGGI"), frame);
    auto* write = addButton(QStringLiteral("cmdScriviFiltro"), QStringLiteral("SCRIVI"), frame);
    grid->addWidget(read, 2, 0);
    grid->addWidget(write, 2, 1);
    connect(read, &QPushButton::clicked, this, &AlarmSideGroups::cmdLeggiFiltro);
    connect(write, &QPushButton::clicked, this, &AlarmSideGroups::cmdScriviFiltro);
    return frame;
}

QWidget* AlarmSideGroups::buildRule(QWidget* parent)
{
    auto* frame = new QGroupBox(QStringLiteral("Advanced Settings"), parent);
    auto* grid = new QGridLayout(frame);
    m_warningCount = new ValueEdit(QStringLiteral("txtContempPreallarmi"), frame);
    m_alertCount = new ValueEdit(QStringLiteral("txtContempAllarmi"), frame);
    m_outputSeconds = new ValueEdit(QStringLiteral("txtDurataSirena"), frame);
    for (auto* box : {m_warningCount, m_alertCount, m_outputSeconds})
        layouts::fitWidth(box, QStringLiteral("00000"));
    m_lowAlertWarns =
        new FlagBox(QStringLiteral("chkContemp"),
                    QStringLiteral("A low # of sensors for Alert raises a Warning"), frame);
    grid->addWidget(
        layouts::caption(QStringLiteral("Min. # of sensors to raise Warning"), m_warningCount), 0,
        0);
    grid->addWidget(m_warningCount, 0, 1);
    grid->addWidget(
        layouts::caption(QStringLiteral("Min. # of sensors to raise Alert"), m_alertCount), 1, 0);
    grid->addWidget(m_alertCount, 1, 1);
    grid->addWidget(m_lowAlertWarns, 2, 0, 1, 2);
    grid->addWidget(layouts::caption(QStringLiteral("Duration of onboard Alert/Warning output [s]"),
                                     m_outputSeconds),
                    3, 0);
    grid->addWidget(m_outputSeconds, 3, 1);
    auto* read = addButton(QStringLiteral("cmdContempLeggi"), QStringLiteral("Read"), frame);
    auto* write = addButton(QStringLiteral("cmdContempScrivi"), QStringLiteral("Write"), frame);
    grid->addWidget(read, 4, 0);
    grid->addWidget(write, 4, 1);
    connect(read, &QPushButton::clicked, this, &AlarmSideGroups::cmdContempLeggi);
    connect(write, &QPushButton::clicked, this, &AlarmSideGroups::cmdContempScrivi);
    return frame;
}

void AlarmSideGroups::MESSAGGIO_PERSONALE_LEGGI()
{
    m_window.exchange([&] {
        auto& t = m_transport;
        t.Invia_Comando(QStringLiteral("X"), QString());
        for (auto* line : m_sms) {
            const QString field = t.Leggi_Campo();
            line->showReply(field, replies::text(field));
            t.Pausa(kLinePause);
            setBackground(line, kPlain);
        }
        m_forgetRealRows();
    });
}

void AlarmSideGroups::MESSAGGIO_PERSONALE_SCRIVI()
{
    m_window.exchange([&] {
        // Each line goes as one block, its comma paced after it.
        WriteRecord record(m_prompter, QStringLiteral("read the SMS texts first (\"READ SMS\")"));
        record.command(QStringLiteral("x"));
        for (const auto* line : m_sms)
            record.commandFrom(line).fixed(QStringLiteral(","));
        const auto commands = record.take();
        if (!commands)
            return;
        for (int i = 0; i < 2 * kSmsLines; ++i) {
            if (m_sms[size_t(i)]->text().size() > kSmsLineLength) {
                refuse(kCancelled, QStringLiteral("Row %1 of %2 SMS text is too long.")
                                       .arg(i % kSmsLines)
                                       .arg(i < kSmsLines ? QStringLiteral("Warning")
                                                          : QStringLiteral("Alert")));
                return;
            }
        }
        auto& t = m_transport;
        send(t, commands->first());
        for (const auto& line : commands->mid(1)) {
            send(t, line);
            t.Pausa(kLinePause);
        }
        t.Invia_Comando(QStringLiteral("X"), QString());
        MESSAGGIO_PERSONALE_LEGGI();
    });
}

void AlarmSideGroups::cmdLeggiFiltro()
{
    m_window.exchange([&] {
        m_transport.Invia_Comando(QStringLiteral("]"), QString());
        for (auto* box : {m_repetitions, m_threshold}) {
            const QString field = m_transport.Leggi_Campo();
            box->showReply(field, replies::number(field));
        }
    });
}

void AlarmSideGroups::cmdScriviFiltro()
{
    m_window.exchange([&] {
        WriteRecord record(m_prompter, QStringLiteral("read the filter first (\"LEGGI\")"));
        const auto commands =
            record.command(QStringLiteral("[")).field(m_repetitions).field(m_threshold).take();
        if (!commands)
            return;
        if (const auto problem =
                filterProblem(m_repetitions->text().trimmed(), m_threshold->text().trimmed())) {
            refuse(kAbandoned, *problem);
            return;
        }
        send(m_transport, commands->first());
        cmdLeggiFiltro();
    });
}

void AlarmSideGroups::cmdContempLeggi()
{
    m_window.exchange([&] {
        auto& t = m_transport;
        t.Invia_Comando(QStringLiteral(">"), QString());
        const auto show = [&t](ValueEdit* box) {
            const QString field = t.Leggi_Campo();
            box->showReply(field, replies::number(field));
        };
        show(m_warningCount);
        show(m_alertCount);
        m_lowAlertWarns->showReply(replies::flag(t.Leggi_Campo()));
        show(m_outputSeconds);
        m_forgetRealRows();
    });
}

void AlarmSideGroups::cmdContempScrivi()
{
    m_window.exchange([&] {
        const auto seconds = [](const QString& text) {
            return numbers::plain(numbers::roundHalfEven(numbers::leadingNumber(text)));
        };
        WriteRecord record(m_prompter, QStringLiteral("read the simultaneous-alarm settings "
                                                      "first (\"Read\" in Advanced Settings)"));
        const auto commands = record.command(QStringLiteral("<"))
                                  .field(m_warningCount)
                                  .field(m_alertCount)
                                  .flag(m_lowAlertWarns, FlagForm::Plain)
                                  .field(m_outputSeconds, seconds)
                                  .take();
        if (!commands)
            return;
        if (const auto problem =
                ruleProblem(m_warningCount->text().trimmed(), m_alertCount->text().trimmed(),
                            m_outputSeconds->text().trimmed())) {
            refuse(kCancelled, *problem);
            return;
        }
        send(m_transport, commands->first());
        m_transport.Pausa(kWritePause);
        cmdContempLeggi();
    });
}

} // namespace korvelan
