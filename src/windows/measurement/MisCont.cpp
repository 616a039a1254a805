#include "windows/measurement/MisCont.h"

#include "common/Prompter.h"
#include "download/FileUtilities.h"
#include "link/LoggerSession.h"
#include "link/Transport.h"
#include "measurement/MeasurementText.h"
#include "ui/CommandLock.h"
#include "ui/Layouts.h"
#include "windows/chart/Grafici.h"
#include "windows/measurement/GridView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QVBoxLayout>

namespace korvelan {

using namespace measurement;

namespace {

constexpr int kDateWidth = 1800;   // twips
constexpr int kChannelWidth = 850; // twips

QString defaultChooser(QWidget* parent, const QString& folder, const QString& proposed)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"),
                                        QDir(folder).filePath(proposed), QStringLiteral("*.txt"));
}

} // namespace

MisCont::MisCont(Transport& transport, Prompter& prompter, LoggerSession& session,
                 CommandLock& lock, QString programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_transport(transport), m_prompter(prompter), m_session(session),
      m_lock(lock), m_folder(std::move(programFolder)), m_chooseFile(defaultChooser),
      m_now([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("MisCont"));
    setWindowTitle(QStringLiteral("Continuous reading"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    loadGage();
    resize(1000, 640);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

MisCont::~MisCont()
{
    // The views and the chart read the grids: they go first.
    delete m_chart;
    delete m_view1;
    delete m_view2;
}

Grafici* MisCont::chart() const
{
    return m_chart;
}

void MisCont::buildControls()
{
    m_hz = new QRadioButton(QStringLiteral("Hz"), this);
    m_hz->setObjectName(QStringLiteral("optuStrain0"));
    m_uStrain = new QRadioButton(QStringLiteral("uStrain"), this);
    m_uStrain->setObjectName(QStringLiteral("optuStrain1"));
    auto* options = new QButtonGroup(this);
    options->addButton(m_hz, 0);
    options->addButton(m_uStrain, 1);
    m_hz->setChecked(true);

    m_chkDelta = new QCheckBox(QStringLiteral("Delta (variations from 1st reading)"), this);
    m_chkDelta->setObjectName(QStringLiteral("chkDelta"));
    m_chkDelta->setToolTip(QStringLiteral("Record and show variations from first acquisition"));
    m_txtGage = new QLineEdit(kDefaultGage, this);
    auto* lblGage = layouts::caption(QStringLiteral("Gage Factor"), m_txtGage);
    lblGage->setObjectName(QStringLiteral("lblGage"));
    m_txtGage->setObjectName(QStringLiteral("txtGage"));
    layouts::fitWidth(m_txtGage, QStringLiteral("0.0000"));

    m_cmdStart = layouts::button(QStringLiteral("cmdStart"), QStringLiteral("Start"), this);
    m_cmdStop = layouts::button(QStringLiteral("cmdStop"), QStringLiteral("Stop"), this);
    m_cmdGraf = layouts::button(QStringLiteral("cmdGraf"), QStringLiteral("Graphs"), this);
    m_cmdChiudi = layouts::button(QStringLiteral("cmdChiudi"), QStringLiteral("Close"), this);
    m_cmdStop->setEnabled(false);
    m_cmdGraf->setEnabled(false);

    m_txtAvviso = new QLineEdit(this);
    m_txtAvviso->setObjectName(QStringLiteral("txtAvviso"));
    m_txtAvviso->setAccessibleName(QStringLiteral("Notice"));
    m_txtAvviso->setReadOnly(true);
    m_txtAvviso->hide();

    auto* lblMux0 = new QLabel(QStringLiteral("MUX 0"), this);
    lblMux0->setObjectName(QStringLiteral("lblMUX0"));
    auto* lblMux1 = new QLabel(QStringLiteral("MUX 1"), this);
    lblMux1->setObjectName(QStringLiteral("lblMUX1"));
    m_view1 = new GridView(QStringLiteral("Grid1"), m_grid1, this);
    m_view2 = new GridView(QStringLiteral("Grid2"), m_grid2, this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_hz);
    controls->addWidget(m_uStrain);
    controls->addSpacing(12);
    controls->addWidget(lblGage);
    controls->addWidget(m_txtGage);
    controls->addSpacing(12);
    controls->addWidget(m_chkDelta);
    controls->addStretch(1);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {m_cmdStart, m_cmdStop, m_cmdGraf, m_cmdChiudi})
        buttons->addWidget(b);
    buttons->addWidget(m_txtAvviso, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(buttons);
    layout->addWidget(lblMux0);
    layout->addWidget(m_view1, 1);
    layout->addWidget(lblMux1);
    layout->addWidget(m_view2, 1);

    connect(m_uStrain, &QRadioButton::toggled, this, &MisCont::enableGage);
    connect(m_cmdStart, &QPushButton::clicked, this, &MisCont::cmdStart);
    connect(m_cmdStop, &QPushButton::clicked, this, &MisCont::cmdStop);
    connect(m_cmdGraf, &QPushButton::clicked, this, &MisCont::cmdGraf);
    connect(m_cmdChiudi, &QPushButton::clicked, this, &MisCont::cmdChiudi);
    enableGage();
}

// --- the gage factor -------------------------------------------------------------------------

void MisCont::loadGage()
{
    QFile file(QDir(m_folder).filePath(kGageFile));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString gage = gageFromFile(file.read(4096));
    if (!gage.isEmpty())
        m_txtGage->setText(gage);
}

void MisCont::saveGage()
{
    // The gage file only remembers the factor for next time; the run does not depend on it.
    QFile file(QDir(m_folder).filePath(kGageFile));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(m_txtGage->text().toLatin1() + "\r\n");
}

void MisCont::enableGage()
{
    // The factor is taken at Start: it can be edited between runs only.
    const bool idle = m_state == State::Idle || m_state == State::Broken;
    m_txtGage->setEnabled(uStrain() && idle);
}

bool MisCont::uStrain() const
{
    return m_uStrain->isChecked();
}

bool MisCont::delta() const
{
    return m_chkDelta->isChecked();
}

// --- buttons ---------------------------------------------------------------------------------

void MisCont::cmdStart()
{
    if (m_state != State::Idle || !m_transport.mayStartAction())
        return;
    const auto gage = gageFactor(m_txtGage->text());
    if (!gage) {
        m_prompter.inform(PromptIcon::Warning, QStringLiteral("Gage Factor"),
                          QStringLiteral("The gage factor \"%1\" is not a number. Enter it with a "
                                         "period as decimal separator, for example 4.062.")
                              .arg(m_txtGage->text()));
        return;
    }
    m_transport.action([&] { start(*gage); });
    if (m_closeAfterRun)
        closeWhenIdle();
}

void MisCont::cmdStop()
{
    if (m_state != State::Running)
        return;
    showNotice(QStringLiteral("Finishing current reading..."));
    m_cmdStop->setEnabled(false);
    m_stop = true;
}

void MisCont::cmdGraf()
{
    m_session.ChartChannelCount = static_cast<int16_t>(std::max(0, m_grid1.columns() - 1));
    m_cmdGraf->setEnabled(false);
    if (!m_chart) {
        m_chart = new Grafici(
            m_session, m_grid1, m_grid2, [this] { return delta(); }, this);
        connect(m_chart, &Grafici::closed, this, [this] {
            m_chartOpen = false;
            m_cmdGraf->setEnabled(true);
        });
    }
    m_chart->popola_grafico(kChartReadings, delta());
    m_chartOpen = true;
    m_chart->show();
    m_chart->raise();
}

void MisCont::cmdChiudi()
{
    close();
}

void MisCont::closeEvent(QCloseEvent* event)
{
    switch (m_state) {
    case State::Running:
        // As Stop: the cycle completes, the logger is told and the file ended; then it closes.
        event->ignore();
        m_closeAfterRun = true;
        cmdStop();
        return;
    case State::Starting:
        event->ignore();
        m_closeAfterRun = true;
        m_transport.cancelExchange();
        return;
    case State::Idle:
    case State::Broken:
        break;
    }
    if (m_chart)
        m_chart->close();
    event->accept();
}

void MisCont::closeWhenIdle()
{
    m_closeAfterRun = false;
    m_transport.whenIdle([window = QPointer<MisCont>(this)] {
        if (window)
            window->close();
    });
}

// --- a run -----------------------------------------------------------------------------------

void MisCont::start(float gage)
{
    m_lock.Disabilita_Comandi();
    const auto unlock = qScopeGuard([this] { m_lock.Abilita_Comandi(); });
    m_state = State::Starting;
    m_run.reset();
    m_gage = gage;
    m_cycles = 0;
    m_file.reset();
    m_chkDelta->setEnabled(false);
    m_txtGage->setEnabled(false);
    m_cmdStart->setEnabled(false);
    m_cmdChiudi->setEnabled(false);
    m_session.ChartChannelCount = 0;
    m_session.Mux0ChannelCount = 0;
    m_session.Mux1ChannelCount = 0;
    saveGage();
    showNotice(QStringLiteral("Connecting to datalogger..."));

    if (!m_run.probe()) {
        if (!m_transport.cancelled())
            m_prompter.inform(PromptIcon::None, messageTitle(),
                              QStringLiteral("Connection error."));
        backToIdle();
        return;
    }
    if (m_transport.cancelled()) {
        backToIdle();
        return;
    }
    if (m_run.count0() == 0) {
        m_prompter.inform(PromptIcon::Warning, QStringLiteral("Annullato"),
                          QStringLiteral("At least 1 channel on MUX 0 needs to be enabled."));
        showNotice(QStringLiteral("Annullato"));
        m_cmdGraf->setEnabled(false);
        m_cmdStop->setEnabled(false);
        m_stop = true;
        backToIdle();
        return;
    }

    m_cmdGraf->setEnabled(!m_chartOpen);
    if (!chooseFile())
        return;
    m_cmdStart->setEnabled(false);
    m_cmdChiudi->setEnabled(false);
    m_cmdStop->setEnabled(true);
    hideNotice();
    layGrids();
    if (!m_file->append({kFileStart, headerTexts(m_run.count0(), m_run.count1()).join(u',')})) {
        endInError(QStringLiteral("The measurement file %1 cannot be written: %2")
                       .arg(QDir::toNativeSeparators(m_file->path()), m_file->error()));
        return;
    }
    m_stop = false;
    m_state = State::Running;
    enableGage();
    readingLoop();
}

bool MisCont::chooseFile()
{
    const QString path = m_chooseFile(this, m_folder, proposedFileName(m_now()));
    // A file another program holds, which the operator did not get free, is left alone.
    if (path.isEmpty() || FileOccupato(path, m_prompter)) {
        hideNotice();
        backToIdle();
        return false;
    }
    CancellaFile(path);
    m_file.emplace(path);
    if (!m_file->create()) {
        endInError(QStringLiteral("The measurement file %1 cannot be created: %2")
                       .arg(QDir::toNativeSeparators(path), m_file->error()));
        return false;
    }
    return true;
}

void MisCont::layGrids()
{
    const int count0 = m_run.count0();
    const int count1 = m_run.count1();
    QList<int> widths1{kDateWidth};
    for (int i = 0; i < count0; ++i)
        widths1 << kChannelWidth;
    // Grid 1 carries multiplexer 1's columns too, out of sight: only their headers are used.
    for (int j = 0; j < count1; ++j)
        widths1 << 0;
    m_grid1.lay(headerTexts(count0, count1), widths1);
    QList<int> widths2{kDateWidth};
    QStringList headers2{QStringLiteral("Date")};
    for (int j = 0; j < count1; ++j) {
        widths2 << kChannelWidth;
        headers2 << channelCaption(1, j);
    }
    m_grid2.lay(headers2, widths2);
    m_view1->pinFirstRow(false);
    m_view2->pinFirstRow(false);
}

void MisCont::readingLoop()
{
    while (!m_stop) {
        // Stop, Graphs and the options take effect here and during the reply waits.
        m_transport.letEventsRun();
        if (m_transport.cancelled())
            break;
        const int row = m_grid1.rows() - 1;
        const QString stamp = cycleStamp(m_now());
        m_grid1.setText(row, 0, stamp);
        m_grid2.setText(row, 0, stamp);
        const auto cycle = m_run.readCycle(row, m_muxNumber, {uStrain(), delta(), m_gage});
        if (cycle == MeasurementRun::Cycle::Failed)
            return endInError(m_run.fault());
        if (cycle == MeasurementRun::Cycle::TimedOut)
            m_stop = true;
        // A cycle the operator broke off (RESTORE, the main window closing) is not a reading.
        if (m_transport.cancelled())
            break;
        if (m_chartOpen && m_chart)
            m_chart->popola_grafico(kChartReadings, delta());
        if (!m_stop) {
            m_grid1.addRow();
            m_grid2.addRow();
            if (delta()) {
                m_view1->pinFirstRow(true);
                m_view2->pinFirstRow(true);
            }
        }
        if (!m_file->append(m_run.cycleLine(row)))
            return endInError(QStringLiteral("The measurement file %1 cannot be written: %2")
                                  .arg(QDir::toNativeSeparators(m_file->path()), m_file->error()));
        m_view1->scrollToLatest();
        m_view2->scrollToLatest();
        m_run.cycleKept();
        emit cycleCompleted(++m_cycles);
    }
    endRun();
}

void MisCont::endRun()
{
    m_run.endLoggerRun();
    hideNotice();
    if (!m_file->append(kFileEnd))
        return endInError(QStringLiteral("The measurement file %1 cannot be written: %2")
                              .arg(QDir::toNativeSeparators(m_file->path()), m_file->error()));
    m_state = State::Idle;
    m_cmdChiudi->setEnabled(true);
    m_cmdStart->setEnabled(true);
    m_cmdGraf->setEnabled(!m_chartOpen);
    m_chkDelta->setEnabled(true);
    m_cmdStop->setEnabled(false);
    enableGage();
    emit runEnded();
}

void MisCont::endInError(const QString& description)
{
    m_stop = true;
    // The logger is told the run is over when it can still be told.
    m_run.endLoggerRun();
    if (m_file && QFileInfo(m_file->path()).isFile())
        m_file->append({kFileEnd, kFileBroken});
    hideNotice();
    // A new run needs the window opened again.
    m_state = State::Broken;
    m_cmdStart->setEnabled(false);
    m_cmdStop->setEnabled(false);
    m_cmdChiudi->setEnabled(true);
    m_chkDelta->setEnabled(true);
    enableGage();
    if (!description.isEmpty() && !m_transport.cancelled())
        m_prompter.inform(PromptIcon::Critical, messageTitle(), description);
    emit runEnded();
}

void MisCont::backToIdle()
{
    m_state = State::Idle;
    m_cmdStart->setEnabled(true);
    m_cmdChiudi->setEnabled(true);
    m_cmdStop->setEnabled(false);
    m_chkDelta->setEnabled(true);
    enableGage();
}

void MisCont::showNotice(const QString& text)
{
    m_txtAvviso->setText(text);
    m_txtAvviso->show();
}

void MisCont::hideNotice()
{
    m_txtAvviso->clear();
    m_txtAvviso->hide();
}

QString MisCont::messageTitle() const
{
    return QCoreApplication::applicationName();
}

} // namespace korvelan
