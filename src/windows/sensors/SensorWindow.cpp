#include "windows/sensors/SensorWindow.h"

#include "common/Prompter.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/FieldEdit.h"
#include "ui/FlagBox.h"
#include "ui/Layouts.h"
#include "ui/ValueEdit.h"
#include "ui/WriteRecord.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvelan {

namespace {

const QString kToBeRead = QStringLiteral("Da Leggere");
const char* const kValueCaptions[] = {"Zero_Volt", "FS_Volt", "Zero_Phys.", "FS_Phys."};
const char* const kValueNames[] = {"CA", "CB", "CC", "CD"};
const char* const kValueSpoken[] = {"zero volt", "full-scale volt", "zero physical",
                                    "full-scale physical"};
constexpr int kPause = 10; // hundredths, between the exchanges of a channel

QLineEdit* cell(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

} // namespace

SensorWindow::SensorWindow(Transport& transport, Prompter& prompter,
                           std::function<int(int)> channelCount, QWidget* parent)
    : ExchangeWindow(transport, prompter, std::move(channelCount), parent)
{
    setObjectName(QStringLiteral("Sensori_An"));
    setWindowTitle(QStringLiteral("Sensors Settings"));
    build();
    prepareForOpening();
    updateButtons();
}

void SensorWindow::build()
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("VALUE=((VOLT_OUT-ZERO_VOLT)/(FS_VOLT-ZERO_VOLT))*(FS_PH-ZERO_PH)+ZERO_PH"),
        this));
    layout->addWidget(new QLabel(
        QStringLiteral("Vibrating Wire sensors are read in [digit] = [Hz]^2 / 1000"), this));

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    enum Column { kNumber, kName, kFirstValue, kCl = kFirstValue + 4, kCw, kVw, kBank };
    grid->addWidget(new QLabel(QStringLiteral("Channel name"), this), 0, kName);
    for (int v = 0; v < 4; ++v) {
        m_captions[size_t(v)] = new QLabel(this);
        grid->addWidget(m_captions[size_t(v)], 0, kFirstValue + v);
    }
    grid->addWidget(new QLabel(QStringLiteral("Vibrating Wire"), this), 0, kVw);
    // The frames go in first, so the rows stand on top of them.
    for (int k = 0; k < 2; ++k) {
        auto* frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("shpBanco%1").arg(k));
        frame->setStyleSheet(
            QStringLiteral("QFrame { border: 2px solid %1; background: transparent; }")
                .arg(kBankChanged.name()));
        frame->hide();
        grid->addWidget(frame, 1 + k * kBankRows, kNumber, kBankRows, kBank + 1);
        m_banks[size_t(k)].highlight = frame;
    }
    for (int i = 0; i < kRows; ++i) {
        Row& row = m_rows[size_t(i)];
        const int r = i + 1;
        row.number = new QLabel(QString::number(i), this);
        row.number->setObjectName(QStringLiteral("Numero_Canali%1").arg(i));
        grid->addWidget(row.number, r, kNumber);
        const QString spoken = QStringLiteral("Channel %1 ").arg(i);
        row.name = new ValueEdit(QStringLiteral("NomeCanali%1").arg(i), this);
        row.name->setAccessibleName(spoken + QStringLiteral("name"));
        limitTyping(row.name, kNameLength);
        layouts::fitWidth(row.name, QString(kNameLength, QLatin1Char('X')));
        grid->addWidget(row.name, r, kName);
        for (int v = 0; v < 4; ++v) {
            auto* e = new ValueEdit(
                QStringLiteral("%1%2").arg(QLatin1String(kValueNames[v])).arg(i), this);
            e->setAccessibleName(spoken + QString::fromLatin1(kValueSpoken[v]));
            limitTyping(e, kValueLength);
            layouts::fitWidth(e, kToBeRead);
            row.values[size_t(v)] = e;
            grid->addWidget(e, r, kFirstValue + v);
        }
        row.cl = cell(QStringLiteral("CL%1").arg(i), this);
        row.cw = cell(QStringLiteral("CW%1").arg(i), this);
        row.cl->setAccessibleName(spoken + QStringLiteral("note 1"));
        row.cw->setAccessibleName(spoken + QStringLiteral("note 2"));
        for (auto* e : {row.cl, row.cw}) {
            e->setReadOnly(true);
            layouts::fitWidth(e, kToBeRead);
        }
        grid->addWidget(row.cl, r, kCl);
        grid->addWidget(row.cw, r, kCw);
        // Set through its bank only.
        row.vibratingWire = new FlagBox(QStringLiteral("chkSghembo%1").arg(i), QString(), this);
        row.vibratingWire->setAccessibleName(spoken + QStringLiteral("vibrating wire"));
        row.vibratingWire->setAttribute(Qt::WA_TransparentForMouseEvents);
        row.vibratingWire->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(row.vibratingWire, r, kVw, Qt::AlignCenter);
    }
    for (int k = 0; k < 2; ++k) {
        auto* box = new FlagBox(QStringLiteral("chkBanco%1").arg(k),
                                QStringLiteral("Bank %1").arg(k), this);
        box->setHint(QStringLiteral("Vibrating wire on channels %1 to %2")
                         .arg(k * kBankRows)
                         .arg(k * kBankRows + kBankRows - 1));
        grid->addWidget(box, 1 + k * kBankRows, kBank, kBankRows, 1, Qt::AlignCenter);
        m_banks[size_t(k)].box = box;
        addLocked(box);
        connect(box, &FlagBox::clicked, this, [this, k] { chkBanco_Click(k); });
    }
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    for (int m = 0; m < 2; ++m) {
        m_read[size_t(m)] = layouts::button(QStringLiteral("Leggi_prop%1").arg(m),
                                            QStringLiteral("Read MUX%1").arg(m), this);
        m_write[size_t(m)] = layouts::button(QStringLiteral("ScriviProp%1").arg(m),
                                             QStringLiteral("Write MUX%1").arg(m), this);
        addLocked(m_read[size_t(m)]);
        addLocked(m_write[size_t(m)]);
        connect(m_read[size_t(m)], &QPushButton::clicked, this, [this, m] { Leggi_prop(m); });
        connect(m_write[size_t(m)], &QPushButton::clicked, this, [this, m] { ScriviProp(m); });
    }
    for (auto* b : {m_read[0], m_read[1], m_write[0], m_write[1]})
        buttons->addWidget(b);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

void SensorWindow::prepareForOpening()
{
    m_shown = -1;
    for (int v = 0; v < 4; ++v)
        m_captions[size_t(v)]->setText(QString::fromLatin1(kValueCaptions[v]));
    for (auto& row : m_rows) {
        for (QLineEdit* e :
             std::initializer_list<QLineEdit*>{row.name, row.values[0], row.values[1],
                                               row.values[2], row.values[3], row.cl, row.cw})
            e->setText(kToBeRead);
        row.vibratingWire->forget();
        setRowEnabled(row, false);
    }
    for (int k = 0; k < 2; ++k) {
        chkBanco(k)->forget();
        markBank(k, false);
    }
}

void SensorWindow::updateButtons()
{
    // The rows show one multiplexer: only that one can be written.
    for (int m = 0; m < 2; ++m)
        m_write[size_t(m)]->setEnabled(m == m_shown);
}

void SensorWindow::setRowEnabled(const Row& row, bool on)
{
    for (QLineEdit* e : std::initializer_list<QLineEdit*>{
             row.name, row.values[0], row.values[1], row.values[2], row.values[3], row.cl, row.cw})
        e->setEnabled(on);
}

void SensorWindow::Leggi_prop(int m)
{
    exchange([&] {
        m_filling = true;
        m_shown = -1;
        for (int v = 0; v < 4; ++v)
            m_captions[size_t(v)]->setText(QString::fromLatin1(kValueCaptions[v]));
        for (auto& row : m_rows) {
            row.vibratingWire->forget();
            row.cl->setText(QStringLiteral("Read"));
            row.cw->setText(QStringLiteral("- - -"));
            row.name->setText(QStringLiteral("Disabled"));
            setRowEnabled(row, false);
        }
        auto& t = m_transport;
        const int n = m_channelCount(m);
        for (int i = 0; i < n; ++i) {
            const Row& row = m_rows[size_t(i)];
            const int channel = kRows * m + i;
            t.Invia_Comando(QStringLiteral("R"), channelParameter(channel));
            const QString name = t.Leggi_Campo();
            row.name->showReply(name, replies::text(name));
            for (auto* e : row.values) {
                const QString field = t.Leggi_Campo();
                e->showReply(field.trimmed(), replies::number(field));
            }
            t.Pausa(kPause);
            t.Invia_Comando(QStringLiteral("]"), channelParameter(channel));
            // Non-zero for a vibrating-wire channel; no answer or noise leaves it unknown.
            row.vibratingWire->showReply(replies::nonZero(t.Leggi_Campo()));
            setRowEnabled(row, true);
            t.Pausa(kPause);
        }
        // Each bank box follows the first channel of its bank.
        for (int k = 0; k < 2; ++k)
            followFirstRow(k);
        for (int k = 0; k < 2; ++k)
            markBank(k, false);
        if (!t.cancelled())
            m_shown = m;
        m_filling = false;
    });
}

void SensorWindow::ScriviProp(int m)
{
    exchange([&] {
        if (m != m_shown)
            return;
        const int n = m_channelCount(m);
        WriteRecord record(m_prompter,
                           QStringLiteral("read MUX%1 again first (\"Read MUX%1\")").arg(m));
        for (int i = 0; i < n; ++i) {
            const Row& row = m_rows[size_t(i)];
            const QString channel = channelParameter(kRows * m + i);
            record.command(QStringLiteral("r")).fixed(channel).field(row.name);
            for (auto* e : row.values)
                record.field(e);
            record.command(QStringLiteral("["))
                .fixed(channel)
                .flag(row.vibratingWire, FlagForm::Plain);
        }
        const auto commands = record.take();
        if (!commands)
            return;
        auto& t = m_transport;
        for (int i = 0; i < n; ++i) {
            send(t, commands->at(2 * i));
            t.Pausa(kPause);
            send(t, commands->at(2 * i + 1));
        }
        t.Pausa(kPause);
        Leggi_prop(m);
    });
}

void SensorWindow::followFirstRow(int k)
{
    const FlagBox* first = chkSghembo(k * kBankRows);
    FlagBox* bank = chkBanco(k);
    const bool changes = bank->checkState() != first->checkState();
    bank->showFlag(first->checkState() == Qt::Checked, first->origin());
    if (changes)
        chkBanco_Click(k);
}

void SensorWindow::chkBanco_Click(int k)
{
    FlagBox* box = chkBanco(k);
    if (!m_filling && !jumpersConfirmed()) {
        // The box goes back too: it would show a bank the rows do not have.
        box->undoClick();
        return;
    }
    // A bank whose first channel got no answer or a garbled one says nothing of its rows:
    // they keep what they showed.
    const Origin origin = box->origin();
    if (isKnown(origin) || origin == Origin::NeverRead) {
        for (int i = k * kBankRows; i < (k + 1) * kBankRows; ++i)
            chkSghembo(i)->showFlag(box->checkState() == Qt::Checked, origin);
    }
    if (!m_filling)
        markBank(k, true);
}

bool SensorWindow::jumpersConfirmed()
{
    return m_prompter.askYesNo(
               PromptIcon::None, QStringLiteral("Warning"),
               QStringLiteral("Checkbox value needs to correspond to physical "
                              "jumper settings on datalogger board.\r\n\r\nProceed?"),
               PromptAnswer::Yes) == PromptAnswer::Yes;
}

bool SensorWindow::takeVibratingWire(const QList<bool>& flags)
{
    const qsizetype n = std::min<qsizetype>(flags.size(), kRows);
    bool differs = false;
    for (int i = 0; i < n; ++i)
        differs = differs || chkSghembo(i)->value() != flags[i];
    if (!differs)
        return true;
    if (!jumpersConfirmed())
        return false;
    for (int i = 0; i < n; ++i)
        chkSghembo(i)->showFlag(flags[i], Origin::Operator);
    for (int k = 0; k < 2; ++k) {
        const FlagBox* first = chkSghembo(k * kBankRows);
        if (chkBanco(k)->checkState() != first->checkState()) {
            chkBanco(k)->showFlag(first->checkState() == Qt::Checked, Origin::Operator);
            markBank(k, true);
        }
    }
    return true;
}

void SensorWindow::markBank(int k, bool changed)
{
    const Bank& bank = m_banks[size_t(k)];
    bank.highlight->setVisible(changed);
    if (changed) {
        setBackground(bank.box, kBankChanged);
    } else {
        bank.box->setAutoFillBackground(false);
        bank.box->setPalette(QPalette());
    }
}

bool SensorWindow::bankMarked(int k) const
{
    return !m_banks[size_t(k)].highlight->isHidden();
}

} // namespace korvelan
