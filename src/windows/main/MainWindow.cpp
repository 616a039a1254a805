#include "windows/main/MainWindow.h"

#include "common/AppPaths.h"
#include "download/DataFileName.h"
#include "link/NumberForms.h"
#include "link/Transport.h"
#include "ui/FieldEdit.h"
#include "ui/Layouts.h"
#include "ui/SwitchBox.h"
#include "windows/about/AboutBox.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/DownloadPage.h"
#include "windows/main/EventsCounterGroup.h"
#include "windows/main/FileArea.h"
#include "windows/main/MemoryGroup.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ReadNowGroup.h"
#include "windows/main/ScheduleGroup.h"
#include "windows/main/StatusGroup.h"
#include "windows/sensors/SensorWindow.h"
#include "windows/settings/SettingsActions.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace korvelan {

namespace {

enum Page { kCalendar, kTimers, kChannels, kGeneral, kDownload, kReadNow, kGprs, kAlerts };
const char* const kPageCaptions[] = {"CALENDAR", "TIMERS",   "CHANNELS", "GENERAL",
                                     "DOWNLOAD", "READ NOW", "GPRS",     "ALERTS"};

// The controls of the main window that take part in the lock, in the order the operator
// meets them. Every one of them exists from the start.
const char* const kLockedControls[] = {
    "leggi_nome", "imposta_nome", "leggidata", "impostadata", "Command2", "Command1", "preacc",
    "impostapreacc", "ReadSt", "leggicanali", "Scrivicanali", "Leggi_poprietà", "Aggiorna_acq",
    "Azzera_memoria", "Resetta", "Acquisisci", "MISCONTINUA0", "MISCONTINUA1", "MISCONTINUA2",
    "MISCONTINUA3", "MISCONTINUA_TEMP0", "MISCONTINUA_TEMP1", "MISCONTINUA_TEMP2",
    "MISCONTINUA_TEMP3", "Status", "Leggi_Allarmi", "LEGGI_GSM", "SCRIVI_GSM", "LeggiGPRS",
    "Abilita_SMS", "cmdApriMisuraContinua",
    // Every other control that talks to the logger: a press
    // during an exchange would do nothing.
    "LeggiDataAllarme", "ScriviDataAllarme", "Subito", "data_logging", "PLUVIOMETRO", "setPcTime",
    "PREABILITA_SMS", "ScriviGPRS", "mmpioggialeggi", "mmpioggiatastoscrivi"};

} // namespace

QString closingRecordPath(const QString& folder, const QString& dataFileName)
{
    // The box's text is typed by the operator: the data file's rule keeps it in the folder.
    return QDir::toNativeSeparators(
        dataFilePath(folder, safeFileNamePart(QStringLiteral("LOGOUT_") + dataFileName)));
}

MainWindow::MainWindow(Transport& transport, Prompter& prompter, LoggerSession& session,
                       QWidget* parent)
    : QMainWindow(parent), m_ctx{transport, m_lock, prompter, session}, m_lock(transport)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZEM KORVELAN"));
    buildMenus();
    buildPages();
    registerLockedControls();
    m_about = new AboutBox(this);
    // Until an exchange gets an answer again, the operator sees that the logger is silent.
    transport.setAnswerHandler([this](bool answering) {
        if (answering)
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(
                QStringLiteral("No answer from the logger on COM %1").arg(m_ctx.session.Porta));
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    struct Item
    {
        const char* name;
        const char* caption;
        void (MainWindow::*handler)();
    };
    const Item items[] = {{"HLP", "HELP-?", nullptr},
                          {"INFORMAZIONI", "INFO", &MainWindow::INFORMAZIONI},
                          {"RIPRISTINA_DA_ERRORI", "RESTORE ", &MainWindow::RIPRISTINA_DA_ERRORI},
                          {"PROVA_IN_SITO", "PROVA IN SITO", nullptr}};
    for (const auto& item : items) {
        QAction* action = menuBar()->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        if (item.handler)
            connect(action, &QAction::triggered, this, item.handler);
    }
}

void MainWindow::buildPages()
{
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    // Every page's tab in sight: the window is never narrower than the row of tabs.
    m_tabs->setUsesScrollButtons(false);
    for (const char* caption : kPageCaptions) {
        QWidget* page = layouts::page(QStringLiteral("Page_%1").arg(QString::fromLatin1(caption)));
        m_pages << page;
        m_tabs->addTab(page, QString::fromLatin1(caption));
    }
    layout->addWidget(m_tabs, 3);
    m_fileArea = new FileArea(central);
    layout->addWidget(m_fileArea, 1);
    setCentralWidget(central);

    m_nameClock = new NameClockGroup(m_ctx, m_pages[kCalendar], m_pages[kGeneral]);

    m_schedule = new ScheduleGroup(m_ctx, m_pages[kCalendar], m_pages[kTimers]);
    m_channels = new ChannelsGroup(m_ctx, m_pages[kChannels], [this] { m_memory->Aggiorna_acq(); });
    m_memory = new MemoryGroup(m_ctx, m_pages[kGeneral], m_pages[kChannels],
                               MemoryGroup::ResetReads{
                                   .channels = [this] { m_channels->leggicanali(); },
                                   .timer = [this] { m_schedule->Command2(); },
                                   .name = [this] { m_nameClock->leggi_nome(); },
                                   .acquisition = [this] { m_schedule->ReadSt(); },
                               });
    auto* memory = new QGroupBox(QStringLiteral("Memory download"), m_pages[kDownload]);
    memory->setObjectName(QStringLiteral("FrameDownload"));
    m_download = new DownloadPage(
        m_ctx.transport, m_lock, m_ctx.prompter, [this] { return m_fileArea->folder(); },
        [this] { return Nome_Centralina()->text(); }, m_fileArea->Nome_File_Dati(), memory);
    (new QVBoxLayout(memory))->addWidget(m_download);
    layouts::addToPage(m_pages[kDownload], memory);
    connect(m_fileArea, &FileArea::folderChanged, m_download, &DownloadPage::showFolder);
    // What the download holds for loggers that keep both; the model without it hides them.
    auto* kind = new QGroupBox(QStringLiteral("Data"), m_pages[kDownload]);
    kind->setObjectName(QStringLiteral("FrameTipoF"));
    auto* kindLayout = new QHBoxLayout(kind);
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(i == 0 ? QStringLiteral("Download Digits")
                                               : QStringLiteral("Download Frequencies"),
                                        kind);
        option->setObjectName(QStringLiteral("TipoF%1").arg(i));
        option->setChecked(i == 1);
        kindLayout->addWidget(option);
    }
    kindLayout->addStretch(1);
    layouts::addToPage(m_pages[kDownload], kind);

    m_readNow = new ReadNowGroup(
        m_ctx, m_pages[kReadNow], [this](int m) { return m_channels->activeChannels(m); },
        [this] {
            return m_programFolder.isEmpty() ? AppPaths::forThisProgram({}).folder()
                                             : m_programFolder;
        });
    m_status = new StatusGroup(m_ctx, m_pages[kReadNow]);

    m_messaging = new MessagingGroup(m_ctx, m_pages[kGprs], m_pages[kAlerts],
                                     [this] { m_alarms->openInPlaceOf(this); });

    auto* sensors = new QGroupBox(QStringLiteral("Sensors"), m_pages[kChannels]);
    auto* sensorsRow = new QHBoxLayout(sensors);
    auto* openSensors =
        layouts::button(QStringLiteral("Leggi_poprietà"), QStringLiteral("Sensors"), sensors);
    sensorsRow->addWidget(openSensors);
    sensorsRow->addStretch(1);
    layouts::addToPage(m_pages[kChannels], sensors);
    connect(openSensors, &QPushButton::clicked, this, &MainWindow::Leggi_poprieta);
    m_events = new EventsCounterGroup(m_ctx, m_pages[kChannels], m_pages[kAlerts]);

    const auto channelCount = [this](int m) { return m_channels->activeChannels(m); };
    m_sensors = std::make_unique<SensorWindow>(m_ctx.transport, m_ctx.prompter, channelCount);
    m_alarms = std::make_unique<AlarmWindow>(m_ctx.transport, m_ctx.prompter, channelCount);

    m_settingsFiles = new SettingsActions(*this, m_ctx);
    QMenu* files = menuBar()->addMenu(QStringLiteral("Settings"));
    files->setObjectName(QStringLiteral("mnuSettings"));
    const struct
    {
        const char* name;
        const char* caption;
        void (SettingsActions::*handler)();
    } entries[] = {
        {"SALVA_IMPOSTAZIONI", "Save settings…", &SettingsActions::saveSettings},
        {"CONFRONTA_IMPOSTAZIONI", "Compare with settings file…",
         &SettingsActions::compareSettings},
        {"APPLICA_IMPOSTAZIONI", "Apply settings file…", &SettingsActions::applySettings},
    };
    for (const auto& e : entries) {
        QAction* action = files->addAction(QString::fromUtf8(e.caption));
        action->setObjectName(QString::fromLatin1(e.name));
        connect(action, &QAction::triggered, m_settingsFiles, e.handler);
    }
}

void MainWindow::registerLockedControls()
{
    for (const char* name : kLockedControls) {
        QWidget* w = control(QString::fromUtf8(name));
        Q_ASSERT_X(w, "MainWindow", name);
        if (w)
            m_lock.add(w);
    }
}

QWidget* MainWindow::control(const QString& name) const
{
    return findChild<QWidget*>(name);
}

FieldEdit* MainWindow::Nome_Centralina() const
{
    return m_nameClock->Nome_Centralina();
}

SwitchBox* MainWindow::PLUVIOMETRO() const
{
    return m_events->PLUVIOMETRO();
}

SwitchBox* MainWindow::data_logging() const
{
    return m_schedule->data_logging();
}

void MainWindow::ReadSt()
{
    m_schedule->ReadSt();
}

QLineEdit* MainWindow::Nome_File_Dati() const
{
    return m_fileArea->Nome_File_Dati();
}

QList<MainWindow::ConnectionRead> MainWindow::connectionReads() const
{
    return {
        {QStringLiteral("Sesnors: OK"), [this] { m_channels->leggicanali(); }},
        {QStringLiteral("Date/Time: OK"), [this] { m_nameClock->leggidata(); }},
        {QStringLiteral("Alert: OK"), [this] { m_schedule->LeggiDataAllarme(); }},
        {QStringLiteral("Timer: OK"), [this] { m_schedule->Command2(); }},
        {QStringLiteral("Pre-heating: OK"), [this] { m_schedule->preacc(); }},
        {QStringLiteral("Internal parameters: OK"), [this] { m_status->Status(); }},
        {QStringLiteral("Memory: OK"), [this] { m_memory->Aggiorna_acq(); }},
        {QStringLiteral("GSM/SMS: OK"), [this] { m_messaging->LEGGI_GSM(); }},
        {QStringLiteral("GPRS: OK"), [this] { m_messaging->LeggiGPRS(); }},
        {QStringLiteral("Datalogger name: OK"), [this] { m_nameClock->leggi_nome(); }},
    };
}

void MainWindow::applyModel(int16_t model)
{
    if (model != 0)
        return;
    setWindowTitle(QStringLiteral("ZEM KORVELAN"));
    m_schedule->Frame2()->show();
    for (int i = 0; i < 2; ++i) {
        if (auto* option = control(QStringLiteral("TipoF%1").arg(i)))
            option->hide();
    }
    // Its options hidden, the frame would stand empty.
    if (auto* kind = control(QStringLiteral("FrameTipoF")))
        kind->hide();
}

void MainWindow::RIPRISTINA_DA_ERRORI()
{
    // The operator's way out: a waiting exchange ends at once, and the buttons come back.
    m_ctx.transport.cancelExchange();
    m_ctx.transport.Svuota_Ingresso();
    m_lock.Abilita_Comandi();
}

void MainWindow::setLinkLogWindow(QWidget* window)
{
    QAction* action = menuBar()->addAction(QStringLiteral("Link log"));
    action->setObjectName(QStringLiteral("LINK_LOG"));
    connect(action, &QAction::triggered, window, [window] {
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void MainWindow::Leggi_poprieta()
{
    m_lock.exchange([this] { m_sensors->openInPlaceOf(this); });
}

void MainWindow::INFORMAZIONI()
{
    m_about->show();
    m_about->raise();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    if (!m_closeRequested && !m_download->mayClose()) {
        event->ignore();
        return;
    }
    auto& transport = m_ctx.transport;
    if (transport.inAction() || transport.isWaiting()) {
        // An exchange is under way further down the stack: end it, and close once it has
        // unwound.
        event->ignore();
        if (!m_closeRequested) {
            m_closeRequested = true;
            transport.cancelExchange();
            transport.whenIdle([this] { close(); });
        }
        return;
    }
    m_closing = true;
    runCloseSequence();
    event->accept();
    emit finished();
}

void MainWindow::runCloseSequence()
{
    auto& transport = m_ctx.transport;
    transport.action([&] {
        transport.Pausa(100);
        // Only when the logger said its acquisitions are on.
        if (data_logging()->checkState() == Qt::Checked)
            transport.Invia_Comando(QStringLiteral("d"), QStringLiteral("0,0,0,0,0,"));
    });
    transport.Chiudi_Seriale();

    const QString path = closingRecordPath(m_fileArea->folder(), Nome_File_Dati()->text());
    m_ctx.session.FileIni = path;
    QFile file(path);
    // A record that cannot be written does not keep the program from ending.
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(closingRecordText().toLatin1());
}

QString MainWindow::closingRecordText() const
{
    const auto text = [this](const char* name) {
        auto* box = qobject_cast<QLineEdit*>(control(QString::fromLatin1(name)));
        return box ? box->text() : QString();
    };
    const QString lines[] = {
        QStringLiteral("ID BRANTELWICK: ") + Nome_Centralina()->text(),
        QStringLiteral("PO ACQUISITION: ") + text("Acq_possibili"),
        QStringLiteral("AV ACQUISITION: ") + text("acq_disponibili"),
        QStringLiteral("ACQ HOURS     : ") + text("conversione0"),
        QStringLiteral("ACQ MINUTES   : ") + text("conversione1"),
        QStringLiteral("ACQ SECONDS   : ") + text("conversione2"),
        QStringLiteral("PRE-HEATING   : ") + text("preaccensione"),
    };
    QString out;
    for (const auto& line : lines)
        out += line + QStringLiteral("\r\n");
    return out;
}

} // namespace korvelan
