#include "windows/alarms/AlarmWindow.h"

#include "common/ParameterGuard.h"
#include "common/Prompter.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/FieldEdit.h"
#include "ui/FlagBox.h"
#include "ui/Layouts.h"
#include "ui/ValueEdit.h"
#include "ui/WriteRecord.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <utility>

namespace korvelan {

namespace {

const QString kNotActive = QStringLiteral("Non Attivo");
const QString kCancelled = QStringLiteral("Operation Cancelled");
const QString kAbandoned = QStringLiteral("Azione annullata");
const char* const kBoxNames[] = {"AllarmeAttivo", "CA", "CB", "PRECA", "PRECB"};
const char* const kColumnCaptions[] = {"Enabled",    "Alert Up",     "Alert Down",
                                       "Warning Up", "Warning Down", "Filtro Attivo"};
// What a screen reader calls each box of a row, after "Channel N".
const char* const kSpokenColumns[] = {"enabled",    "alert up",     "alert down",
                                      "warning up", "warning down", "filter"};
const char* const kReadCaptions[] = {"Read A/W MUX0", "Read A/W MUX1", "Leggi Allarmi Virtual MUX0",
                                     "Leggi Allarmi Virtual MUX1"};
const char* const kWriteCaptions[] = {"Write A/W MUX0", "Write A/W MUX1",
                                      "Scrivi Allarmi Virtual MUX0", "Scrivi Allarmi Virtual MUX1"};
constexpr int kLinePause = 10; // hundredths, after each SMS line and each record read
constexpr int kWritePause = 3; // after each record written
constexpr int kVirtualPause = 5;

// "/" and the rule's flag are true when non-zero; what is not a number counts as false.
bool isTrue(const QString& field)
{
    double v = 0;
    return numbers::isNumeric(field, &v) && v != 0;
}

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
    if (v > AlarmWindow::kLongestOutput || v < 0)
        return QStringLiteral("Insert a valid duration of local Alert/Warning [sec] (0-28800).");
    return std::nullopt;
}

// Any change of the text marks the box as edited, the program's own changes too.
void markEdits(QLineEdit* box)
{
    QObject::connect(box, &QLineEdit::textChanged, box, [box] { setBackground(box, kEdited); });
}

} // namespace

AlarmWindow::AlarmWindow(Transport& transport, Prompter& prompter,
                         std::function<int(int)> channelCount, QWidget* parent)
    : ExchangeWindow(transport, prompter, std::move(channelCount), parent)
{
    setObjectName(QStringLiteral("Allarmi_An"));
    setWindowTitle(QStringLiteral("Alerts and Warnings settings"));
    build();
    updateButtons();
}

QPushButton* AlarmWindow::addButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = layouts::button(name, caption, parent);
    addLocked(b);
    return b;
}

ValueEdit* AlarmWindow::addBox(const QString& name, QWidget* parent)
{
    return new ValueEdit(name, parent);
}

void AlarmWindow::build()
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildRows(), 3);
    auto* side = new QVBoxLayout;
    side->addWidget(buildSms());
    side->addWidget(buildFilter());
    side->addWidget(buildRule());
    side->addStretch(1);
    layout->addLayout(side, 2);
}

QWidget* AlarmWindow::buildRows()
{
    auto* frame = new QWidget(this);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    for (int c = 0; c < 6; ++c)
        grid->addWidget(new QLabel(QString::fromLatin1(kColumnCaptions[c]), frame), 0, c + 1);
    for (int i = 0; i < kRows; ++i) {
        Row& row = m_rows[size_t(i)];
        row.number = new QLabel(QString::number(i), frame);
        row.number->setObjectName(QStringLiteral("Numero_Canali%1").arg(i));
        grid->addWidget(row.number, i + 1, 0);
        for (int c = 0; c < 5; ++c) {
            auto* e = addBox(QStringLiteral("%1%2").arg(QLatin1String(kBoxNames[c])).arg(i), frame);
            row.boxes[size_t(c)] = e;
            grid->addWidget(e, i + 1, c + 1);
        }
        row.boxes[0]->setText(kNotActive);
        layouts::fitWidth(row.boxes[0], kNotActive);
        for (int c = 1; c < 5; ++c)
            layouts::fitWidth(row.boxes[size_t(c)], QStringLiteral("-0000.00"));
        row.filter = new QCheckBox(frame);
        row.filter->setObjectName(QStringLiteral("chkFiltro%1").arg(i));
        nameRow(row);
        row.filter->setToolTip(QStringLiteral("Shown here only: the datalogger does not keep it"));
        grid->addWidget(row.filter, i + 1, 6, Qt::AlignCenter);
        restoreColours(row);
        for (auto* e : row.boxes)
            markEdits(e);
        QCheckBox* filter = row.filter;
        connect(filter, &QCheckBox::toggled, this, [this, filter] {
            if (!m_filling)
                setBackground(filter, kEdited);
        });
    }
    auto* buttons = new QGridLayout;
    for (int m = 0; m < kSelections; ++m) {
        m_read[size_t(m)] = addButton(QStringLiteral("Leggi_all%1").arg(m),
                                      QString::fromLatin1(kReadCaptions[m]), frame);
        m_write[size_t(m)] = addButton(QStringLiteral("ScriviAll%1").arg(m),
                                       QString::fromLatin1(kWriteCaptions[m]), frame);
        buttons->addWidget(m_read[size_t(m)], m, 0);
        buttons->addWidget(m_write[size_t(m)], m, 1);
        connect(m_read[size_t(m)], &QPushButton::clicked, this, [this, m] { Leggi_all(m); });
        connect(m_write[size_t(m)], &QPushButton::clicked, this, [this, m] { ScriviAll(m); });
    }
    grid->addLayout(buttons, kRows + 1, 0, 1, 7);
    grid->setRowStretch(kRows + 2, 1);
    return frame;
}

QWidget* AlarmWindow::buildSms()
{
    auto* frame = new QGroupBox(QStringLiteral("SMS"), this);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("SMS for Warnings"), frame), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("SMS for Alerts"), frame), 0, 1);
    for (int i = 0; i < 2 * kSmsLines; ++i) {
        const bool alert = i >= kSmsLines;
        auto* e = addBox(QStringLiteral("%1%2")
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
    connect(read, &QPushButton::clicked, this, &AlarmWindow::MESSAGGIO_PERSONALE_LEGGI);
    connect(write, &QPushButton::clicked, this, &AlarmWindow::MESSAGGIO_PERSONALE_SCRIVI);
    return frame;
}

QWidget* AlarmWindow::buildFilter()
{
    auto* frame = new QGroupBox(QStringLiteral("Filtro"), this);
    auto* grid = new QGridLayout(frame);
    m_repetitions = addBox(QStringLiteral("txtMaxRipetizioni"), frame);
    m_threshold = addBox(QStringLiteral("txtFiltroSoglia"), frame);
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
    connect(read, &QPushButton::clicked, this, &AlarmWindow::cmdLeggiFiltro);
    connect(write, &QPushButton::clicked, this, &AlarmWindow::cmdScriviFiltro);
    return frame;
}

QWidget* AlarmWindow::buildRule()
{
    auto* frame = new QGroupBox(QStringLiteral("Advanced Settings"), this);
    auto* grid = new QGridLayout(frame);
    m_warningCount = addBox(QStringLiteral("txtContempPreallarmi"), frame);
    m_alertCount = addBox(QStringLiteral("txtContempAllarmi"), frame);
    m_outputSeconds = addBox(QStringLiteral("txtDurataSirena"), frame);
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
    connect(read, &QPushButton::clicked, this, &AlarmWindow::cmdContempLeggi);
    connect(write, &QPushButton::clicked, this, &AlarmWindow::cmdContempScrivi);
    return frame;
}

void AlarmWindow::updateButtons()
{
    // The rows on screen belong to one selection: only that one can be written.
    for (int m = 0; m < kSelections; ++m)
        m_write[size_t(m)]->setEnabled(m == m_shown);
}

void AlarmWindow::prepareForOpening()
{
    // What the window shows stays, but the channel counts may have changed meanwhile: rows
    // are written only after a read in this opening.
    m_shown = -1;
}

void AlarmWindow::forgetRealRows()
{
    if (m_shown < 2)
        m_shown = -1;
}

void AlarmWindow::restoreColours(const Row& row)
{
    setBackground(row.boxes[0], kEnableColour);
    setBackground(row.boxes[1], kAlertColour);
    setBackground(row.boxes[2], kAlertColour);
    setBackground(row.boxes[3], kWarningColour);
    setBackground(row.boxes[4], kWarningColour);
    setBackground(row.filter, kPlain);
}

void AlarmWindow::setRowEnabled(const Row& row, bool on)
{
    for (auto* e : row.boxes)
        e->setEnabled(on);
    row.filter->setEnabled(on);
}

void AlarmWindow::nameRow(const Row& row)
{
    const QString channel = QStringLiteral("Channel %1 ").arg(row.number->text());
    for (int c = 0; c < 5; ++c)
        row.boxes[size_t(c)]->setAccessibleName(channel + QLatin1String(kSpokenColumns[c]));
    row.filter->setAccessibleName(channel + QLatin1String(kSpokenColumns[5]));
}

void AlarmWindow::refuse(const QString& title, const QString& text)
{
    m_prompter.inform(PromptIcon::Warning, title, text);
}

void AlarmWindow::Leggi_all(int m)
{
    exchange([&] {
        m_filling = true;
        m_shown = -1;
        for (int i = 0; i < kRows; ++i) {
            const Row& row = m_rows[size_t(i)];
            row.number->setText(QString::number(kRows * m + i));
            nameRow(row);
            row.boxes[0]->setText(kNotActive);
            setRowEnabled(row, false);
            // Nothing of a row not in use is written: it is not shown as edited either.
            restoreColours(row);
        }
        auto& t = m_transport;
        const int n = m_channelCount(m);
        for (int i = 0; i < n; ++i) {
            const Row& row = m_rows[size_t(i)];
            if (m < 2) {
                setRowEnabled(row, true);
            } else {
                t.Invia_Comando(QStringLiteral("/"), channelParameter(kRows * (m - 2) + i));
                setRowEnabled(row, isTrue(t.Leggi_Campo()));
                t.Pausa(kVirtualPause);
            }
            const QString channel = channelParameter(kRows * m + i);
            for (const auto& [letter, first] :
                 {std::pair{QStringLiteral("J"), 1}, std::pair{QStringLiteral(")"), 3}}) {
                t.Invia_Comando(letter, channel);
                const QString enable = t.Leggi_Campo();
                row.boxes[0]->showReply(enable, replies::number(enable));
                for (const size_t c : {size_t(first), size_t(first) + 1}) {
                    const QString field = t.Leggi_Campo();
                    row.boxes[c]->showReply(field.trimmed(), replies::number(field));
                }
                t.Pausa(kLinePause);
            }
            restoreColours(row);
        }
        if (!t.cancelled())
            m_shown = m;
        m_filling = false;
    });
}

void AlarmWindow::ScriviAll(int m)
{
    exchange([&] {
        if (m != m_shown)
            return;
        const int n = m_channelCount(m);
        WriteRecord record(
            m_prompter,
            QStringLiteral("read the rows first (\"%1\")").arg(QLatin1String(kReadCaptions[m])));
        for (int i = 0; i < n; ++i) {
            const QString channel = channelParameter(kRows * m + i);
            const auto& b = m_rows[size_t(i)].boxes;
            record.command(QStringLiteral("j")).fixed(channel).field(b[0]).field(b[1]).field(b[2]);
            record.command(QStringLiteral("(")).fixed(channel).field(b[3]).field(b[4]);
        }
        const auto commands = record.take();
        if (!commands)
            return;
        auto& t = m_transport;
        for (const auto& c : *commands) {
            send(t, c);
            t.Pausa(kWritePause);
        }
        t.Pausa(kLinePause);
        Leggi_all(m);
    });
}

void AlarmWindow::MESSAGGIO_PERSONALE_LEGGI()
{
    exchange([&] {
        auto& t = m_transport;
        t.Invia_Comando(QStringLiteral("X"), QString());
        for (auto* line : m_sms) {
            const QString field = t.Leggi_Campo();
            line->showReply(field, replies::text(field));
            t.Pausa(kLinePause);
            setBackground(line, kPlain);
        }
        forgetRealRows();
    });
}

void AlarmWindow::MESSAGGIO_PERSONALE_SCRIVI()
{
    exchange([&] {
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

void AlarmWindow::cmdLeggiFiltro()
{
    exchange([&] {
        m_transport.Invia_Comando(QStringLiteral("]"), QString());
        for (auto* box : {m_repetitions, m_threshold}) {
            const QString field = m_transport.Leggi_Campo();
            box->showReply(field, replies::number(field));
        }
    });
}

void AlarmWindow::cmdScriviFiltro()
{
    exchange([&] {
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

void AlarmWindow::cmdContempLeggi()
{
    exchange([&] {
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
        forgetRealRows();
    });
}

void AlarmWindow::cmdContempScrivi()
{
    exchange([&] {
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
