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
    m_side = new AlarmSideGroups(*this, m_transport, m_prompter, [this] { forgetRealRows(); });
    auto* side = new QVBoxLayout;
    side->addWidget(m_side->buildSms(this));
    side->addWidget(m_side->buildFilter(this));
    side->addWidget(m_side->buildRule(this));
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

} // namespace korvelan
