#include "windows/connection/ConnectionWindow.h"

#include "common/ComPortMap.h"
#include "common/PortSettingsFile.h"
#include "download/ProposedFileName.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/FieldEdit.h"
#include "ui/SwitchBox.h"
#include "windows/connection/SplashWindow.h"
#include "windows/main/MainWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvelan {

namespace {

const QString kNewLine = QStringLiteral("\r\n");

// Pause after each step, so the operator can follow the log.
constexpr int kStepPause = 10;

// "Memory: OK" for a group that answered, "Memory: no answer" for one that did not.
QString stepLine(const QString& okLine, bool answered)
{
    if (answered)
        return okLine;
    const auto colon = okLine.lastIndexOf(QLatin1Char(':'));
    return okLine.left(colon) + QStringLiteral(": no answer");
}

} // namespace

ConnectionWindow::ConnectionWindow(Transport& transport, LoggerSession& session, MainWindow& main,
                                   const QString& portSettingsFile, QWidget* parent)
    : QWidget(parent), m_transport(transport), m_session(session), m_main(main),
      m_portSettingsFile(portSettingsFile)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("ZEM - KORVELAN"));
    build();
    load();
}

void ConnectionWindow::build()
{
    auto* ports = new QGroupBox(QStringLiteral("RS232"), this);
    ports->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(ports);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < kPorts; ++i) {
        const int port = i + 1;
        auto* option = new QRadioButton(QStringLiteral("COM %1").arg(port), ports);
        option->setObjectName(QStringLiteral("Option1%1").arg(i));
        group->addButton(option, port);
        m_options << option;
        // Where the port leads on this machine.
        auto* where = new QLabel(ports);
        where->setObjectName(QStringLiteral("lblDevice%1").arg(i));
        where->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_devices << where;
        grid->addWidget(option, i, 0);
        grid->addWidget(where, i, 1);
    }
    m_refresh = new QPushButton(QStringLiteral("Refresh"), ports);
    m_refresh->setObjectName(QStringLiteral("cmdAggiornaPorte"));
    m_refresh->setToolTip(QStringLiteral("Look again for serial ports (an adapter plugged in "
                                         "since the start)"));
    connect(m_refresh, &QPushButton::clicked, this, &ConnectionWindow::refreshPorts);
    grid->addWidget(m_refresh, kPorts, 0, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    showPorts();

    m_connect = new QPushButton(QStringLiteral("Connect"), this);
    m_connect->setObjectName(QStringLiteral("Command1"));
    m_modem = new QPushButton(QStringLiteral("Modem Connection"), this);
    m_modem->setObjectName(QStringLiteral("Command2"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdAnnulla"));
    m_cancel->setToolTip(QStringLiteral("Stop connecting and close the port"));
    m_cancel->hide();
    connect(m_connect, &QPushButton::clicked, this, &ConnectionWindow::Command1);
    connect(m_modem, &QPushButton::clicked, this, &ConnectionWindow::Command2);
    connect(m_cancel, &QPushButton::clicked, this, &ConnectionWindow::cancelConnecting);

    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));

    m_txtScritte = new QPlainTextEdit(this);
    m_txtScritte->setObjectName(QStringLiteral("txtScritte"));
    m_txtScritte->setAccessibleName(QStringLiteral("Connection log"));
    m_txtScritte->setReadOnly(true);
    m_txtScritte->setMinimumHeight(fontMetrics().lineSpacing() * 8);
    m_txtScritte->setMinimumWidth(fontMetrics().averageCharWidth() * 64);

    m_buttons = new QVBoxLayout;
    m_buttons->addWidget(m_connect);
    m_buttons->addWidget(m_modem);
    m_buttons->addWidget(m_cancel);
    m_buttons->addStretch();
    m_buttons->addWidget(m_label2);

    auto* top = new QHBoxLayout;
    top->addWidget(ports);
    top->addLayout(m_buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_txtScritte);

    setLog(QStringLiteral("Please select COM port and click on Connect") + kNewLine);
}

void ConnectionWindow::setLinkLogWindow(QWidget* window)
{
    auto* button = new QPushButton(QStringLiteral("Link log"), this);
    button->setObjectName(QStringLiteral("cmdLinkLog"));
    button->setToolTip(QStringLiteral("Every byte sent to and received from the port"));
    m_buttons->insertWidget(m_buttons->indexOf(m_cancel) + 1, button);
    connect(button, &QPushButton::clicked, window, [window] {
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void ConnectionWindow::load()
{
    m_session.PortaSempreAperta = false;
    centreOnScreen(*this, sizeHint());
    m_session.FileIni = m_portSettingsFile;
    // Creating it now tells early, by an empty file, where the program keeps its settings.
    portsettings::touch(m_session.FileIni);
    m_session.PortaSalvata = portsettings::read(m_session.FileIni);
    const int16_t saved = m_session.PortaSalvata;
    if (saved == 0)
        m_label2->setText(QStringLiteral("Select a RS232"));
    else if (saved >= 1 && saved <= kPorts)
        m_options[saved - 1]->setChecked(true);
}

void ConnectionWindow::setPorts(ComPortMap& map, std::function<QList<SerialPortInfo>()> scan)
{
    m_ports = &map;
    m_scan = std::move(scan);
    showPorts();
}

void ConnectionWindow::refreshPorts()
{
    if (m_connecting)
        return;
    if (m_ports && m_scan)
        m_ports->refresh(m_scan());
    showPorts();
}

void ConnectionWindow::showPorts()
{
    for (int i = 0; i < m_devices.size(); ++i) {
        const int port = i + 1;
        if (m_ports) {
            m_devices[i]->setText(m_ports->describe(port));
            continue;
        }
        // On Windows "COM 1" says it already.
        const QString device = m_transport.deviceFor(port);
        m_devices[i]->setText(device == QStringLiteral("COM%1").arg(port) ? QString() : device);
    }
}

int16_t ConnectionWindow::selectedPort() const
{
    for (int i = 0; i < m_options.size(); ++i) {
        if (m_options[i]->isChecked())
            return static_cast<int16_t>(i + 1);
    }
    return 0;
}

void ConnectionWindow::Command1()
{
    // A click delivered while the sequence waits for the logger must not start another.
    if (m_connecting || !m_transport.mayStartAction())
        return;
    const int16_t port = selectedPort();
    if (port == 0) {
        setLog(QStringLiteral("No selected channel!"));
        return;
    }
    QScopedValueRollback<bool> running(m_connecting, true);
    setBusy(true);
    bool done = false;
    // The whole sequence is one action: a logger that stops answering costs one time limit,
    // and Cancel (or closing the window) ends all of it.
    m_transport.action([&] { done = runSequence(port); });
    if (m_abandoned) {
        emit closed();
        return;
    }
    if (done)
        return;
    if (m_transport.cancelled()) {
        m_transport.Chiudi_Seriale();
        appendLog(QStringLiteral("Connection cancelled."));
    }
    setBusy(false);
}

void ConnectionWindow::cancelConnecting()
{
    if (m_connecting)
        m_transport.cancelExchange();
}

bool ConnectionWindow::runSequence(int16_t port)
{
    m_session.Porta = port;
    setLog(QStringLiteral("Connecting COM%1").arg(port));
    // Remembered before the probe: the operator chose this port, whatever answers.
    portsettings::write(m_session.FileIni, port);

    const int16_t found = m_transport.Apri_Porta(port);
    if (m_transport.cancelled())
        return false;
    if (found == 0) {
        setLog(QStringLiteral("Datalogger not found, please check connection"));
        m_transport.Chiudi_Seriale();
        return false;
    }

    setLog(QStringLiteral("Datalogger Found"));
    setBackground(m_txtScritte, kFound);
    m_transport.Pausa(kStepPause);
    appendLog(QStringLiteral("Retrieving internal parameters"));

    // Each step is logged with what it met: "OK" when the logger answered, "no answer" when
    // a field of the step timed out.
    const auto step = [this](const QString& line, const auto& read) {
        const int missed = m_transport.missedFields();
        read();
        if (m_transport.cancelled())
            return false;
        appendLog(stepLine(line, m_transport.missedFields() == missed));
        return true;
    };
    for (const auto& read : m_main.connectionReads()) {
        if (!step(read.line, read.action))
            return false;
        m_transport.Pausa(kStepPause);
    }
    if (!step(QStringLiteral("Datalogger model: OK"), [this] { readModel(); }))
        return false;
    if (!step(QStringLiteral("Events counter: OK"),
              [this] { m_main.PLUVIOMETRO()->showReply(readSwitch(QStringLiteral("U"))); }))
        return false;
    m_transport.Pausa(kStepPause);
    if (!step(QStringLiteral("Acquisition: OK"),
              [this] { m_main.data_logging()->showReply(readSwitch(QStringLiteral("O"))); }))
        return false;
    m_transport.Pausa(kStepPause);

    hide();
    m_main.show();
    proposeDataFileName();
    emit connected();
    return true;
}

void ConnectionWindow::readModel()
{
    m_transport.Invia_Comando(QStringLiteral("D"), QStringLiteral(","));
    // "%%" or text converts to 0, the plainer model.
    m_session.ModelloLogger = numbers::toInt16(m_transport.Leggi_Campo());
    m_main.applyModel(m_session.ModelloLogger);
}

replies::Flag ConnectionWindow::readSwitch(const QString& letter)
{
    m_transport.Invia_Comando(letter, QString());
    // 0 or 1; anything else shows as unknown, never as off.
    return replies::flag(m_transport.Leggi_Campo());
}

void ConnectionWindow::proposeDataFileName()
{
    QLineEdit* box = m_main.Nome_File_Dati();
    setBackground(box, kProposed);
    box->setText(proposedDataFileName(m_main.Nome_Centralina()->text(), m_today()));
}

void ConnectionWindow::Command2()
{
    if (m_connecting || !m_transport.mayStartAction())
        return;
    m_session.PortaSempreAperta = true;
    if (m_openModemWindow)
        m_openModemWindow();
    else
        appendLog(QStringLiteral("Modem connection is not available in this version."));
}

void ConnectionWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_connecting) {
        // The sequence stops at its next step, and the program ends once it has unwound.
        // A wait for the logger ends now; the probe's settle pauses run out by themselves.
        m_abandoned = true;
        m_transport.cancelExchange();
        return;
    }
    emit closed();
}

void ConnectionWindow::setLog(const QString& text)
{
    m_log = text;
    m_txtScritte->setPlainText(QString(m_log).replace(kNewLine, QStringLiteral("\n")));
    m_txtScritte->moveCursor(QTextCursor::End);
}

void ConnectionWindow::appendLog(const QString& line)
{
    setLog(m_log + kNewLine + line);
    m_txtScritte->ensureCursorVisible();
}

void ConnectionWindow::setBusy(bool busy)
{
    m_connect->setEnabled(!busy);
    m_modem->setEnabled(!busy);
    m_refresh->setEnabled(!busy);
    m_cancel->setVisible(busy);
}

} // namespace korvelan
