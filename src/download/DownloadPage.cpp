#include "download/DownloadPage.h"

#include "common/Prompter.h"
#include "download/DataFileName.h"
#include "link/Transport.h"
#include "windows/main/CommandLock.h"

#include <QButtonGroup>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace korvelan {

using namespace std::chrono;

namespace {

QString elapsedText(Duration elapsed)
{
    const auto total = duration_cast<seconds>(elapsed).count();
    return QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

DownloadPage::DownloadPage(Transport& transport, CommandLock& lock, Prompter& prompter,
                           std::function<QString()> folder, std::function<QString()> loggerName,
                           QLineEdit* nomeFileDati, QWidget* parent)
    : QWidget(parent), m_transport(transport), m_lock(lock), m_prompter(prompter),
      m_folder(std::move(folder)), m_loggerName(std::move(loggerName)),
      m_today([] { return QDate::currentDate(); }), m_nomeFileDati(nomeFileDati),
      m_engine(transport)
{
    m_all = new QRadioButton(QStringLiteral("All"), this);
    m_all->setObjectName(QStringLiteral("optTutti0"));
    m_select = new QRadioButton(QStringLiteral("Select"), this);
    m_select->setObjectName(QStringLiteral("optTutti1"));
    auto* options = new QButtonGroup(this);
    options->addButton(m_all, 0);
    options->addButton(m_select, 1);
    m_all->setChecked(true);

    m_from = new QLineEdit(this);
    m_from->setObjectName(QStringLiteral("txtScaricaDal"));
    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("txtScaricaAl"));
    m_to->setText(rangeDateText(m_today()));

    m_acquisisci = new QPushButton(QStringLiteral("Download"), this);
    m_acquisisci->setObjectName(QStringLiteral("Acquisisci"));
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("lblAvanzamento"));
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QStringLiteral("cmdInterrompi"));
    m_stop->setEnabled(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_all, 0, 0);
    grid->addWidget(m_select, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("from"), this), 1, 1);
    grid->addWidget(m_from, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("to"), this), 2, 1);
    grid->addWidget(m_to, 2, 2);
    grid->addWidget(m_acquisisci, 3, 0);
    grid->addWidget(m_progress, 4, 0, 1, 3);
    grid->addWidget(m_stop, 3, 2);
    grid->setRowStretch(5, 1);

    setRangeEnabled();
    connect(m_all, &QRadioButton::toggled, this, &DownloadPage::setRangeEnabled);
    connect(m_acquisisci, &QPushButton::clicked, this, &DownloadPage::Acquisisci);
    connect(m_stop, &QPushButton::clicked, this, &DownloadPage::stopDownload);
    m_engine.setProgressHandler([this](const DownloadProgress& p) { showProgress(p); });
}

void DownloadPage::setDateSource(std::function<QDate()> today)
{
    m_today = std::move(today);
    m_to->setText(rangeDateText(m_today()));
}

void DownloadPage::setRangeEnabled()
{
    m_from->setEnabled(m_select->isChecked());
    m_to->setEnabled(m_select->isChecked());
}

void DownloadPage::stopDownload()
{
    m_engine.cancel();
}

void DownloadPage::Acquisisci()
{
    if (!m_lock.mayStart() || m_engine.running())
        return;
    std::optional<DateRange> range;
    if (m_select->isChecked()) {
        const auto check = checkDownloadRange(m_from->text(), m_to->text());
        if (!check.range) {
            m_prompter.inform(PromptIcon::None, QStringLiteral("Cancelled"), check.message);
            return;
        }
        range = check.range;
    }
    m_lock.exchange([&] { download(range); });
}

void DownloadPage::download(const std::optional<DateRange>& range)
{
    const QString name = dataFileName(m_loggerName(), m_today());
    const QString path = dataFilePath(m_folder(), name);
    const QString previousText = m_nomeFileDati ? m_nomeFileDati->text() : QString();
    if (m_nomeFileDati) {
        m_nomeFileDati->setText(name);
        m_nomeFileDati->setText(QDir::toNativeSeparators(path));
        m_nomeFileDati->setText(QString());
        m_nomeFileDati->setText(QStringLiteral("Please wait.."));
    }
    m_lastShown = m_transport.clock().now() - kShowInterval;
    m_latest = {};
    m_linesShown = 0;
    m_progress->clear();
    m_stop->setEnabled(true);

    const DownloadResult result = m_engine.run(path, range);

    m_stop->setEnabled(false);
    showEnd(result, name, previousText);
}

void DownloadPage::showProgress(const DownloadProgress& progress)
{
    // Painting every line would cost more than receiving it: the box and the counters follow
    // the transfer a few times a second, and the end of the transfer shows its last line.
    m_latest = progress;
    const auto now = m_transport.clock().now();
    const bool firstLine = m_linesShown == 0 && progress.lines > 0;
    if (now - m_lastShown < kShowInterval && !firstLine)
        return;
    m_lastShown = now;
    paint();
}

void DownloadPage::paint()
{
    if (m_nomeFileDati && m_latest.lines > m_linesShown)
        m_nomeFileDati->setText(fromWire(m_latest.lastLine));
    m_linesShown = m_latest.lines;
    m_progress->setText(QStringLiteral("Lines: %1   Bytes: %2   Time: %3")
                            .arg(m_latest.lines)
                            .arg(m_latest.bytes)
                            .arg(elapsedText(m_latest.elapsed)));
}

void DownloadPage::showEnd(const DownloadResult& result, const QString& name,
                           const QString& previousText)
{
    // The final figures and the last line are always shown, however recent the last paint.
    m_latest.bytes = result.bytes;
    m_latest.elapsed = result.elapsed;
    paint();
    const QString where = QDir::toNativeSeparators(result.path);
    const QString saved =
        QStringLiteral("\nLines received and saved: %1\nFile: %2").arg(result.lines).arg(where);
    const auto limitText = [](auto limit) {
        return QString::number(duration_cast<seconds>(limit).count());
    };

    switch (result.outcome) {
    case DownloadOutcome::Completed:
        m_prompter.beep();
        if (m_nomeFileDati)
            m_nomeFileDati->setText(QStringLiteral("Data saved."));
        m_prompter.beep();
        m_transport.Pausa(100);
        if (m_nomeFileDati)
            m_nomeFileDati->setText(name);
        return;
    case DownloadOutcome::FileError:
        if (m_nomeFileDati)
            m_nomeFileDati->setText(result.fileCreated ? name : previousText);
        m_prompter.inform(PromptIcon::None, QString(), result.error + u'\n' + where);
        return;
    case DownloadOutcome::Cancelled:
        if (m_nomeFileDati)
            m_nomeFileDati->setText(name);
        m_prompter.inform(PromptIcon::Information, QStringLiteral("Download"),
                          QStringLiteral("Download stopped.") + saved);
        return;
    case DownloadOutcome::TimedOut:
        if (m_nomeFileDati)
            m_nomeFileDati->setText(name);
        m_prompter.inform(
            PromptIcon::Warning, QStringLiteral("Download"),
            (result.bytes == 0
                 ? QStringLiteral("The logger did not answer the download request within %1 s.")
                       .arg(limitText(MemoryDownload::kFirstByteLimit))
                 : QStringLiteral("The logger stopped sending data: nothing came for %1 s.")
                       .arg(limitText(MemoryDownload::kSilenceLimit))) +
                saved);
        return;
    case DownloadOutcome::LineLost:
        if (m_nomeFileDati)
            m_nomeFileDati->setText(name);
        m_prompter.inform(PromptIcon::Warning, QStringLiteral("Download"),
                          QStringLiteral("The link to the logger was lost during the download.") +
                              saved);
        return;
    }
}

} // namespace korvelan
