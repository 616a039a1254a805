#include "windows/modem/ModemWindow.h"

#include "common/DayFirstDate.h"
#include "common/Prompter.h"
#include "link/Channel.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "remote/CarrierWatch.h"
#include "ui/FieldEdit.h"
#include "ui/Layouts.h"
#include "windows/connection/SplashWindow.h"
#include "windows/main/MainWindow.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace korvelan {

namespace {

const char* const kColumnNames[] = {"Nome", "Telefono", "Scadenza", "Uldata"};
const char* const kColumnCaptions[] = {"Nome", "GSM", "Data fine ", "Ultimo Controllo"};
// What a screen reader calls each box of a row, after "Station N".
const char* const kSpokenColumns[] = {"name", "GSM number", "end date", "last connection"};
constexpr int kUldata = 3;
// The pause after the connection is reported, before the settings are read (hundredths).
constexpr int kSettle = 400;

const QString kNotFound = QStringLiteral("Modem not found on selected port");

} // namespace

ModemWindow::ModemWindow(Transport& transport, Prompter& prompter, MainWindow& main,
                         const QString& folder, QWidget* connectionWindow, QWidget* parent)
    : ExchangeWindow(transport, prompter, {}, parent), m_session(transport.session()), m_main(main),
      m_connectionWindow(connectionWindow),
      m_watch(qobject_cast<CarrierWatch*>(&transport.channel())), m_files(folder),
      m_dialogue(transport), m_startup(transport, main, [this](const QString& t) { setText1(t); })
{
    setObjectName(QStringLiteral("Modem"));
    setWindowTitle(QStringLiteral("GSM CONNECTION"));
    build();
    reset();
}

void ModemWindow::build()
{
    auto* portRow = new QHBoxLayout;
    m_sermodem = new QLineEdit(this);
    m_sermodem->setObjectName(QStringLiteral("SERMODEM"));
    portRow->addWidget(layouts::caption(QStringLiteral("Modem COM"), m_sermodem));
    m_sermodem->setMaximumWidth(fontMetrics().averageCharWidth() * 8);
    m_sermodem->installEventFilter(this);
    connect(m_sermodem, &QLineEdit::textChanged, this, &ModemWindow::SERMODEM_Change);
    portRow->addWidget(m_sermodem);
    m_cercaModem =
        layouts::button(QStringLiteral("CERCAMODEM"), QStringLiteral("Find Modem"), this);
    portRow->addWidget(m_cercaModem);
    portRow->addStretch(1);

    auto* pageRow = new QHBoxLayout;
    auto* pageGroup = new QButtonGroup(this);
    for (int k = 0; k < kPages; ++k) {
        auto* option = new QRadioButton(
            QStringLiteral("%1-%2").arg(k * kRowsPerPage + 1).arg((k + 1) * kRowsPerPage), this);
        option->setObjectName(QStringLiteral("Primi10%1").arg(k));
        pageGroup->addButton(option, k);
        pageRow->addWidget(option);
        m_pageOptions << option;
        connect(option, &QRadioButton::clicked, this, [this, k] { Primi10(k); });
    }
    pageRow->addStretch(1);

    m_selGroup = new QButtonGroup(this);
    auto* frames = new QGridLayout;
    for (int k = 0; k < kPages; ++k) {
        m_frames << buildPage(k);
        frames->addWidget(m_frames.last(), 0, 0);
    }

    m_text1Box = new QPlainTextEdit(this);
    m_text1Box->setObjectName(QStringLiteral("Text1"));
    m_text1Box->setAccessibleName(QStringLiteral("Modem messages"));
    m_text1Box->setReadOnly(true);
    m_text1Box->setMinimumHeight(fontMetrics().lineSpacing() * 5);

    m_salva = layouts::button(QStringLiteral("Salva"), QStringLiteral("Save"), this);
    m_interrompi = layouts::button(QStringLiteral("Interrompi"), QStringLiteral("Stop"), this);
    m_connetti = layouts::button(QStringLiteral("Connetti"), QStringLiteral("Connect"), this);
    m_riprova = layouts::button(QStringLiteral("Riprova"), QStringLiteral("Retry"), this);
    m_scaricaVai =
        layouts::button(QStringLiteral("Scarica_Vai"), QStringLiteral("Download and Go"), this);
    auto* buttons = new QGridLayout;
    buttons->addWidget(m_connetti, 0, 0);
    buttons->addWidget(m_scaricaVai, 0, 1);
    buttons->addWidget(m_interrompi, 1, 0);
    buttons->addWidget(m_riprova, 1, 1);
    buttons->addWidget(m_salva, 2, 0, 1, 2);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_text1Box, 1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(portRow);
    layout->addLayout(pageRow);
    layout->addLayout(frames);
    layout->addLayout(bottom);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(kPollInterval);
    connect(m_timer, &QTimer::timeout, this, &ModemWindow::Timer1_Timer);

    for (QPushButton* b :
         {m_cercaModem, m_salva, m_interrompi, m_connetti, m_riprova, m_scaricaVai})
        addLocked(b);
    connect(m_cercaModem, &QPushButton::clicked, this, &ModemWindow::CERCAMODEM);
    connect(m_salva, &QPushButton::clicked, this, &ModemWindow::Salva_Click);
    connect(m_interrompi, &QPushButton::clicked, this, &ModemWindow::Interrompi);
    connect(m_connetti, &QPushButton::clicked, this, &ModemWindow::Connetti);
    connect(m_riprova, &QPushButton::clicked, this, &ModemWindow::Riprova);
    connect(m_scaricaVai, &QPushButton::clicked, this, &ModemWindow::Scarica_Vai);
}

QGroupBox* ModemWindow::buildPage(int page)
{
    auto* frame = new QGroupBox(QStringLiteral("Datalogger"), this);
    frame->setObjectName(QStringLiteral("Centraline%1").arg(page));
    auto* grid = new QGridLayout(frame);
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(QString::fromLatin1(kColumnCaptions[c]), frame), 0, c + 1);
    const int widths[] = {14, 16, 10, 12};
    for (int r = 0; r < kRowsPerPage; ++r) {
        const int i = page * kRowsPerPage + r;
        Row& row = m_rows[size_t(i)];
        row.sel = new QRadioButton(QString::number(i + 1), frame);
        row.sel->setObjectName(QStringLiteral("Sel%1").arg(i));
        m_selGroup->addButton(row.sel, i);
        connect(row.sel, &QRadioButton::clicked, this, [this, i] { Sel(i); });
        grid->addWidget(row.sel, r + 1, 0);
        for (int c = 0; c < 4; ++c) {
            auto* field = new QLineEdit(frame);
            field->setObjectName(QString::fromLatin1(kColumnNames[c]) + QString::number(i));
            field->setAccessibleName(
                QStringLiteral("Station %1 %2").arg(i + 1).arg(QLatin1String(kSpokenColumns[c])));
            field->setMinimumWidth(fontMetrics().averageCharWidth() * widths[c]);
            // The last connection is the program's record, not the operator's.
            field->setReadOnly(c == kUldata);
            row.fields[size_t(c)] = field;
            grid->addWidget(field, r + 1, c + 1);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    return frame;
}

void ModemWindow::reset()
{
    m_timer->stop();
    m_stopAfterPoll = false;
    m_selected = 0;
    m_mayConnect = m_mayStop = m_mayRetry = false;
    m_lastReply.clear();
    m_replyTail.clear();
    m_loaded = {};
    m_selGroup->setExclusive(false);
    for (Row& row : m_rows) {
        row.sel->setChecked(false);
        for (QLineEdit* field : row.fields)
            field->clear();
    }
    m_selGroup->setExclusive(true);
    paintRows();
    {
        const QSignalBlocker quiet(m_sermodem);
        m_sermodem->clear();
    }
    m_pageOptions.first()->setChecked(true);
    Primi10(0);
    setText1(QStringLiteral("Modem Window"));
    setEnabled(true);
    updateButtons();
}

void ModemWindow::open()
{
    reset();
    // No cable connection on the same port while this window has it.
    if (m_connectionWindow)
        m_connectionWindow->setEnabled(false);
    centreOnScreen(*this, sizeHint());
    show();
    raise();
    activateWindow();
    load();
}

void ModemWindow::showStations(const StationTable& table)
{
    m_loaded = table;
    for (int i = 0; i < kStations; ++i) {
        const Station& s = table[size_t(i)];
        const QString values[] = {s.Nome, s.Telefono, s.Scadenza, s.Uldata};
        for (int c = 0; c < 4; ++c) {
            QLineEdit* field = m_rows[size_t(i)].fields[size_t(c)];
            if (field->text() != values[c])
                field->setText(values[c]);
        }
    }
}

void ModemWindow::load()
{
    const StationFiles::Loaded loaded = m_files.load();
    showStations(loaded.stations);
    // A list that ends early (the first time, the file is new and empty) stops the loading
    // there: no port is probed.
    if (!loaded.complete)
        return;
    if (loaded.port)
        m_session.PortaSalvata = *loaded.port;
    m_sermodem->setText(QString::number(m_session.PortaSalvata));
}

StationTable ModemWindow::stations() const
{
    StationTable table;
    for (int i = 0; i < kStations; ++i) {
        const auto& f = m_rows[size_t(i)].fields;
        table[size_t(i)] = {f[0]->text(), f[1]->text(), f[2]->text(), f[3]->text()};
    }
    return table;
}

void ModemWindow::Primi10(int page)
{
    for (QGroupBox* frame : m_frames)
        frame->hide();
    m_frames.at(page)->show();
}

void ModemWindow::Sel(int row)
{
    m_selected = row;
    m_rows[size_t(row)].sel->setChecked(true);
    paintRows();
    m_mayConnect = true;
    updateButtons();
}

void ModemWindow::paintRows()
{
    for (int i = 0; i < kStations; ++i) {
        const QColor colour = m_rows[size_t(i)].sel->isChecked() ? kSelectedRow : kRow;
        for (QLineEdit* field : m_rows[size_t(i)].fields)
            setBackground(field, colour);
    }
}

void ModemWindow::Salva_Click()
{
    // Rows this window did not change keep what the files hold now: a collection may have
    // recorded a connection meanwhile.
    QString error;
    StationTable saved;
    if (m_files.saveChanges(m_loaded, stations(), &saved, &error))
        showStations(saved);
    else
        m_prompter.inform(PromptIcon::Warning, windowTitle(),
                          QStringLiteral("The station list could not be saved:\n") + error);
}

int ModemWindow::portInBox(double add) const
{
    const double value = std::floor(numbers::leadingNumber(m_sermodem->text()) + add);
    return static_cast<int>(std::clamp<double>(value, std::numeric_limits<int16_t>::min(),
                                               std::numeric_limits<int16_t>::max()));
}

void ModemWindow::probe(int port)
{
    m_dialogue.Abilita_DSR();
    const QString reply = m_dialogue.identify(port);
    if (!ModemDialogue::isModem(reply)) {
        setText1(kNotFound);
        return;
    }
    setText1(QStringLiteral("Modem found on Com") + numbers::leadingBlank(qint64(port)) + reply +
             u'\r');
    // Remembering the port is a convenience: a folder that refuses it costs nothing more.
    m_files.savePort(static_cast<int16_t>(port), nullptr);
}

void ModemWindow::SERMODEM_Change()
{
    exchange([&] { probe(portInBox()); });
}

void ModemWindow::SERMODEM_KeyPress()
{
    exchange([&] {
        setText1(m_dialogue.quickTest(portInBox()) ? QStringLiteral("MODEM READY")
                                                   : QStringLiteral("MODEM NOT FOUND"));
    });
}

bool ModemWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A key that types something into the port box tests the port first.
    if (watched == m_sermodem && event->type() == QEvent::KeyPress &&
        !static_cast<QKeyEvent*>(event)->text().isEmpty())
        SERMODEM_KeyPress();
    return QWidget::eventFilter(watched, event);
}

void ModemWindow::CERCAMODEM()
{
    exchange([&] {
        m_dialogue.Abilita_DSR();
        setText1(QStringLiteral("Looking for modem..."));
        m_dialogue.closePort();
        const int port = portInBox(1);
        const QString reply = m_dialogue.identify(port, false);
        if (ModemDialogue::isModem(reply))
            setText1(QStringLiteral("Modem found on Com") + numbers::leadingBlank(qint64(port)) +
                     reply + u'\r');
        m_dialogue.closePort();
        // The change probes the port again, and remembers it when the modem answers there.
        m_sermodem->setText(numbers::leadingBlank(qint64(port)));
    });
}

void ModemWindow::dial(bool dialPause)
{
    exchange([&] {
        // A dial abandons whatever call the link was watching.
        if (m_watch)
            m_watch->watchCall(false);
        m_mayStop = true;
        m_replyTail.clear();
        m_stopAfterPoll = false;
        if (!m_transport.channel().isOpen()) {
            setText1(kNotFound);
            return;
        }
        const QString number = m_rows[size_t(m_selected)].fields[1]->text();
        if (m_dialogue.dial(number, dialPause))
            m_timer->start();
        else if (!m_transport.cancelled())
            setText1(QStringLiteral("No telephone number for this station"));
    });
}

void ModemWindow::Connetti()
{
    dial(false);
}

void ModemWindow::Scarica_Vai()
{
    dial(true);
}

void ModemWindow::Interrompi()
{
    exchange([&] {
        if (m_watch)
            m_watch->watchCall(false);
        m_dialogue.hangUp();
        // The poll shows the modem's answer once more, then stops: a dial that never
        // connects is over.
        m_stopAfterPoll = m_timer->isActive();
    });
}

void ModemWindow::Timer1_Timer()
{
    // Never while another exchange waits: the poll would read its reply.
    if (!m_transport.mayStartAction())
        return;
    bool connected = false;
    m_transport.action([&] {
        m_lastReply = m_dialogue.takeReceived();
        if (m_lastReply.isEmpty())
            return;
        const ModemReply reply = readModemReply(m_lastReply, &m_replyTail);
        setText1(reply.shown);
        connected = reply.connected;
    });
    if (std::exchange(m_stopAfterPoll, false)) {
        m_timer->stop();
        return;
    }
    if (connected)
        connectedSequence();
}

void ModemWindow::connectedSequence()
{
    exchange([&] {
        if (m_watch)
            m_watch->watchCall(true);
        m_mayRetry = true;
        setText1(QStringLiteral("VELT GSM CONNECTED"));
        // Recorded before anything is read, so a failed read does not lose it.
        m_rows[size_t(m_selected)].fields[kUldata]->setText(dayFirstDate(m_startup.today()));
        Salva_Click();
        m_timer->stop();
        setText1(QStringLiteral("Retrieving internal settings.."));
        m_transport.Pausa(kSettle);
        if (!m_startup.readSettings())
            return;
        handOver();
        m_startup.nameDataFile();
    });
}

void ModemWindow::Riprova()
{
    exchange([&] {
        m_dialogue.Scarica();
        setText1(QStringLiteral("Retrying..."));
        m_timer->stop();
        if (m_startup.Recupera_Dati())
            handOver();
    });
}

void ModemWindow::handOver()
{
    hide();
    setEnabled(false);
    // The connection window goes too: from here the main window is the only way on.
    if (m_connectionWindow) {
        m_connectionWindow->hide();
        m_connectionWindow->setEnabled(false);
    }
    m_main.setEnabled(true);
    m_main.show();
}

void ModemWindow::closeEvent(QCloseEvent* event)
{
    // An exchange under way ends first; the window closes once it has unwound.
    ExchangeWindow::closeEvent(event);
    if (!event->isAccepted())
        return;
    m_timer->stop();
    m_stopAfterPoll = false;
    if (m_watch)
        m_watch->watchCall(false);
    m_dialogue.closePort();
    if (m_connectionWindow) {
        m_connectionWindow->setEnabled(true);
        m_connectionWindow->show();
    }
}

void ModemWindow::setText1(const QString& text)
{
    m_text1 = text;
    QString shownText = text;
    shownText.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    m_text1Box->setPlainText(shownText);
    emit shown(text);
}

void ModemWindow::updateButtons()
{
    // During an exchange every button is off; the state shows again once it ends.
    if (busy())
        return;
    m_connetti->setEnabled(m_mayConnect);
    m_interrompi->setEnabled(m_mayStop);
    m_riprova->setEnabled(m_mayRetry);
}

} // namespace korvelan
