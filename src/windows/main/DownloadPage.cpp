#include "windows/main/DownloadPage.h"

#include "common/Prompter.h"
#include "download/DataFileName.h"
#include "link/Transport.h"
#include "ui/CommandLock.h"
#include "ui/Layouts.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
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

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The answers to the question asked when the data file exists, "Keep both" the default.
enum Answer { kReplace, kKeepBoth, kCancel };

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
    m_folderLabel = new QLabel(this);
    m_folderLabel->setObjectName(QStringLiteral("lblCartella"));
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folderLabel->setWordWrap(true);
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("lblAvanzamento"));
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QStringLiteral("cmdInterrompi"));
    m_stop->setEnabled(false);

    for (auto* box : {m_from, m_to})
        layouts::fitWidth(box, QStringLiteral("00/00/0000"));
    m_from->setAccessibleName(QStringLiteral("Download from"));
    m_to->setAccessibleName(QStringLiteral("Download to"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_all, 0, 0);
    grid->addLayout(layouts::row({m_select, layouts::caption(QStringLiteral("from"), m_from),
                                  m_from, layouts::caption(QStringLiteral("to"), m_to), m_to}),
                    1, 0);
    grid->addLayout(layouts::row({m_acquisisci, m_stop}), 2, 0);
    grid->addWidget(m_progress, 3, 0);
    grid->addWidget(m_folderLabel, 4, 0);
    if (m_folder)
        showFolder(m_folder());

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

bool DownloadPage::mayClose()
{
    if (!downloading())
        return true;
    return m_prompter.askYesNo(PromptIcon::Question, QStringLiteral("Download"),
                               QStringLiteral("A download is under way. Stop it and close the "
                                              "program?\nThe lines received so far are kept in "
                                              "a partial file."),
                               PromptAnswer::No) == PromptAnswer::Yes;
}

void DownloadPage::showFolder(const QString& folder)
{
    m_folderLabel->setText(QStringLiteral("Folder: ") + native(folder));
}

std::optional<DownloadPage::Target> DownloadPage::chooseTarget()
{
    const QString name = dataFileName(m_loggerName(), m_today());
    const QString folder = m_folder();
    const QString path = dataFilePath(folder, name);
    if (!QFileInfo::exists(path))
        return Target{path, WhenTaken::KeepBoth, QString()};
    const QString next = nextFreePath(folder, name);
    const QString text = QStringLiteral("The file %1 already exists.\n\nReplace it with the new "
                                        "data, or keep both (the new data is saved as %2)?")
                             .arg(native(path), QFileInfo(next).fileName());
    switch (m_prompter.askChoice(
        PromptIcon::Question, QStringLiteral("Download"), text,
        {QStringLiteral("Replace"), QStringLiteral("Keep both"), QStringLiteral("Cancel")},
        kKeepBoth, kCancel)) {
    case kReplace:
        return Target{path, WhenTaken::Replace, path};
    case kKeepBoth:
        if (!next.isEmpty())
            return Target{next, WhenTaken::KeepBoth, path};
        break;
    default:
        break;
    }
    return std::nullopt;
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
    const auto target = chooseTarget();
    if (!target)
        return;
    m_lock.exchange([&] { download(range, *target); });
}

void DownloadPage::download(const std::optional<DateRange>& range, const Target& target)
{
    const QString& path = target.path;
    const QString name = QFileInfo(path).fileName();
    const QString previousText = m_nomeFileDati ? m_nomeFileDati->text() : QString();
    if (m_nomeFileDati) {
        m_nomeFileDati->setText(name);
        m_nomeFileDati->setText(native(path));
        m_nomeFileDati->setText(QString());
        m_nomeFileDati->setText(QStringLiteral("Please wait.."));
    }
    m_lastShown = m_transport.clock().now() - kShowInterval;
    m_latest = {};
    m_linesShown = 0;
    m_progress->clear();
    m_stop->setEnabled(true);

    const DownloadResult result = m_engine.run(path, range, target.whenTaken);

    m_stop->setEnabled(false);
    showEnd(result, target, previousText);
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

void DownloadPage::showEnd(const DownloadResult& result, const Target& target,
                           const QString& previousText)
{
    // The final figures and the last line are always shown, however recent the last paint.
    m_latest.bytes = result.bytes;
    m_latest.elapsed = result.elapsed;
    paint();
    const QString kept = QFileInfo(result.path).fileName();

    if (result.outcome == DownloadOutcome::Completed) {
        m_prompter.beep();
        if (m_nomeFileDati)
            m_nomeFileDati->setText(QStringLiteral("Data saved."));
        m_prompter.beep();
        m_transport.Pausa(100);
        if (m_nomeFileDati)
            m_nomeFileDati->setText(kept);
        m_prompter.inform(PromptIcon::Information, QStringLiteral("Download"),
                          QStringLiteral("Download complete.\nLines saved: %1\nFile: %2")
                              .arg(result.lines)
                              .arg(native(result.path)));
        return;
    }

    if (m_nomeFileDati)
        m_nomeFileDati->setText(result.path.isEmpty() ? previousText : kept);
    const auto limitText = [](auto limit) {
        return QString::number(duration_cast<seconds>(limit).count());
    };
    QString reason;
    PromptIcon icon = PromptIcon::Warning;
    switch (result.outcome) {
    case DownloadOutcome::Completed:
        break;
    case DownloadOutcome::FileError:
        reason = result.error;
        icon = PromptIcon::Critical;
        break;
    case DownloadOutcome::Cancelled:
        reason = QStringLiteral("Download stopped.");
        icon = PromptIcon::Information;
        break;
    case DownloadOutcome::TimedOut:
        reason = result.bytes == 0
                     ? QStringLiteral("The logger did not answer the download request within %1 s.")
                           .arg(limitText(MemoryDownload::kFirstByteLimit))
                     : QStringLiteral("The logger stopped sending data: nothing came for %1 s.")
                           .arg(limitText(MemoryDownload::kSilenceLimit));
        break;
    case DownloadOutcome::LineLost:
        reason = QStringLiteral("The link to the logger was lost during the download.");
        break;
    }
    // What became of the data: what arrived, and the file the operator already had.
    QString text = reason + QStringLiteral("\nLines received: %1").arg(result.lines);
    if (!result.path.isEmpty())
        text += QStringLiteral("\nKept in the partial file: ") + native(result.path);
    if (!target.earlier.isEmpty())
        text += QStringLiteral("\nThe earlier file is unchanged: ") + native(target.earlier);
    else if (result.path.isEmpty())
        text += QStringLiteral("\nNo file was written.");
    m_prompter.inform(icon, QStringLiteral("Download"), text);
}

} // namespace korvelan
