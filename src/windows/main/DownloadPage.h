#pragma once

#include "download/MemoryDownload.h"

#include <QDate>
#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace korvelan {

class CommandLock;
class Prompter;
class Transport;

// The "DOWNLOAD" page: whole memory or a date range into the data file, with the folder it
// goes to, the transfer's progress and a button that stops it. An existing data file of the
// same name is never lost: the operator chooses to replace it, keep both, or cancel.
//
// The main window hands over what the page needs of its own: the lock (it must also register
// acquisisci() in it), the folder of its file area, the logger's name and its data file box.
class DownloadPage : public QWidget
{
    Q_OBJECT
public:
    // How often the last line received is repainted in the data file box during a transfer.
    static constexpr auto kShowInterval = std::chrono::milliseconds(100);

    DownloadPage(Transport& transport, CommandLock& lock, Prompter& prompter,
                 std::function<QString()> folder, std::function<QString()> loggerName,
                 QLineEdit* nomeFileDati, QWidget* parent = nullptr);

    [[nodiscard]] QPushButton* acquisisci() const { return m_acquisisci; }
    // Today's date for the file name and the end of the range; the system date by default.
    // Setting it also puts that date into the end box, as at load.
    void setDateSource(std::function<QDate()> today);

    // "Download".
    void Acquisisci();
    // Stops a transfer under way; the lines received so far stay in a partial file.
    void stopDownload();
    [[nodiscard]] bool downloading() const { return m_engine.running(); }
    // Whether the program may close now: true when no transfer runs, or when the operator
    // agrees to stop it (the transfer goes on otherwise).
    bool mayClose();
    // The folder downloads go to, in full.
    void showFolder(const QString& folder);

private:
    // Where the data goes: asks when the data file exists. Empty when the operator cancels.
    struct Target
    {
        QString path;
        WhenTaken whenTaken = WhenTaken::KeepBoth;
        QString earlier; // the file of that name already there; empty when none
    };
    [[nodiscard]] std::optional<Target> chooseTarget();
    void download(const std::optional<DateRange>& range, const Target& target);
    void showProgress(const DownloadProgress& progress);
    void paint();
    void showEnd(const DownloadResult& result, const Target& target, const QString& previousText);
    void setRangeEnabled();

    Transport& m_transport;
    CommandLock& m_lock;
    Prompter& m_prompter;
    std::function<QString()> m_folder;
    std::function<QString()> m_loggerName;
    std::function<QDate()> m_today;
    QPointer<QLineEdit> m_nomeFileDati;
    MemoryDownload m_engine;

    QRadioButton* m_all = nullptr;
    QRadioButton* m_select = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QPushButton* m_acquisisci = nullptr;
    QLabel* m_folderLabel = nullptr;
    QLabel* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    TimePoint m_lastShown{};
    DownloadProgress m_latest;
    qint64 m_linesShown = 0;
};

} // namespace korvelan
