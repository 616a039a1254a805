#pragma once

#include "ui/CommandLock.h"
#include "ui/GroupContext.h"
#include "ui/SwitchBox.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLineEdit;
class QTabWidget;

namespace korvelan {

class AboutBox;
class AlarmWindow;
class ChannelsGroup;
class DownloadPage;
class EventsCounterGroup;
class MemoryGroup;
class MessagingGroup;
class SensorWindow;
class ScheduleGroup;
class SettingsActions;
class FieldEdit;
class FileArea;
class NameClockGroup;
class ReadNowGroup;
class StatusGroup;

// The operator's workplace once a logger is connected: the settings pages, the file area
// and the menus. Each settings group owns its controls and handlers; the window owns the
// lock that keeps exchanges apart and the close sequence.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    struct ConnectionRead
    {
        QString line; // what the connection log shows after the read
        std::function<void()> action;
    };

    MainWindow(Transport& transport, Prompter& prompter, LoggerSession& session,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The read actions the connection sequence runs, in its order.
    [[nodiscard]] QList<ConnectionRead> connectionReads() const;
    // Model code 0 has the pre-heating frame and no digits/frequencies choice.
    void applyModel(int16_t model);

    [[nodiscard]] CommandLock& lock() { return m_lock; }
    [[nodiscard]] FileArea* fileArea() const { return m_fileArea; }
    [[nodiscard]] FieldEdit* Nome_Centralina() const;
    [[nodiscard]] QLineEdit* Nome_File_Dati() const;
    [[nodiscard]] SwitchBox* data_logging() const;
    [[nodiscard]] SwitchBox* PLUVIOMETRO() const;
    [[nodiscard]] NameClockGroup& nameClock() const { return *m_nameClock; }
    [[nodiscard]] StatusGroup& status() const { return *m_status; }
    [[nodiscard]] ScheduleGroup& schedule() const { return *m_schedule; }
    [[nodiscard]] ChannelsGroup& channels() const { return *m_channels; }
    [[nodiscard]] MemoryGroup& memory() const { return *m_memory; }
    [[nodiscard]] DownloadPage& download() const { return *m_download; }
    [[nodiscard]] MessagingGroup& messaging() const { return *m_messaging; }
    [[nodiscard]] EventsCounterGroup& eventsCounter() const { return *m_events; }
    [[nodiscard]] SensorWindow& sensors() const { return *m_sensors; }
    [[nodiscard]] AlarmWindow& alarms() const { return *m_alarms; }
    [[nodiscard]] ReadNowGroup& readNow() const { return *m_readNow; }
    // "Save settings…", "Compare with settings file…", "Apply settings file…".
    [[nodiscard]] SettingsActions& settingsFiles() const { return *m_settingsFiles; }
    // Where the continuous reading keeps its gage file and proposes its measurement files.
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }

    void ReadSt();
    void RIPRISTINA_DA_ERRORI();
    void INFORMAZIONI();
    // The menu bar's "Link log" shows `window`.
    void setLinkLogWindow(QWidget* window);
    // "Sensors" (Leggi_poprietà): the sensor window in this window's place.
    void Leggi_poprieta();

signals:
    // The close sequence has run; the program ends.
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPages();
    void buildMenus();
    void registerLockedControls();
    void runCloseSequence();
    [[nodiscard]] QString closingRecordText() const;
    QWidget* control(const QString& name) const;

    GroupContext m_ctx;
    CommandLock m_lock;
    QTabWidget* m_tabs = nullptr;
    QList<QWidget*> m_pages;
    FileArea* m_fileArea = nullptr;
    NameClockGroup* m_nameClock = nullptr;
    StatusGroup* m_status = nullptr;
    ScheduleGroup* m_schedule = nullptr;
    ChannelsGroup* m_channels = nullptr;
    MemoryGroup* m_memory = nullptr;
    DownloadPage* m_download = nullptr;
    MessagingGroup* m_messaging = nullptr;
    EventsCounterGroup* m_events = nullptr;
    std::unique_ptr<SensorWindow> m_sensors;
    std::unique_ptr<AlarmWindow> m_alarms;
    ReadNowGroup* m_readNow = nullptr;
    SettingsActions* m_settingsFiles = nullptr;
    QString m_programFolder;
    AboutBox* m_about = nullptr;
    bool m_closing = false;
    bool m_closeRequested = false;
};

// The closing record's path: the file area's folder (its root when the folder is a drive's
// root) and "LOGOUT_" + the data file name.
QString closingRecordPath(const QString& folder, const QString& dataFileName);

} // namespace korvelan
