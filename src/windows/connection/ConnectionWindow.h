#pragma once

#include "common/FieldOrigin.h"

#include <QColor>
#include <QDate>
#include <QList>
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace korvelan {

class ComPortMap;
struct SerialPortInfo;
class MainWindow;
class Transport;
struct LoggerSession;

// The connection window: the operator picks the COM port of a cabled logger and connects,
// or goes to the modem stations. Connecting probes the port, fills the main window by
// running its own read actions, logs each step and hands over to the main window.
//
// The window remembers the last port in a one-line settings file. Closing it ends the
// program without a word to the logger.
class ConnectionWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kPorts = 8;
    // The log's background once a logger answered.
    static inline const QColor kFound = QColor(0, 255, 0);
    // The proposed data file name's background.
    static inline const QColor kProposed = QColor(255, 255, 0);

    // `portSettingsFile` is the program folder's "og399.ini". The window loads at once:
    // it reads the remembered port and preselects it.
    ConnectionWindow(Transport& transport, LoggerSession& session, MainWindow& main,
                     const QString& portSettingsFile, QWidget* parent = nullptr);

    // "Connect".
    void Command1();
    // "Modem Connection".
    void Command2();
    // "Cancel", shown while connecting: ends the sequence, closes the port, and leaves the
    // window ready to connect again.
    void cancelConnecting();

    // The port map the buttons describe, and how "Refresh" looks for devices again (the
    // system's serial ports). Without one, each button shows the transport's device.
    void setPorts(ComPortMap& map, std::function<QList<SerialPortInfo>()> scan);
    // "Refresh": an adapter plugged in since the start appears.
    void refreshPorts();

    // What "Modem Connection" opens. Until one is set the window says that there is none.
    void setModemWindow(std::function<void()> open) { m_openModemWindow = std::move(open); }
    // A "Link log" button shows `window`: what went over the port while connecting.
    void setLinkLogWindow(QWidget* window);
    // Today's date for the proposed data file name (tests fix it).
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }

    // The port whose button is selected, 1..8; 0 when none is.
    [[nodiscard]] int16_t selectedPort() const;
    // The log box's text, lines ended by CR LF.
    [[nodiscard]] QString logText() const { return m_log; }
    // A connection sequence is running.
    [[nodiscard]] bool connecting() const { return m_connecting; }

signals:
    // The main window has been shown: this window's work is done.
    void connected();
    // The operator closed the window: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void load();
    bool runSequence(int16_t port);
    void readModel();
    [[nodiscard]] replies::Flag readSwitch(const QString& letter);
    void proposeDataFileName();
    void setLog(const QString& text);
    void appendLog(const QString& line);
    void setBusy(bool busy);
    void showPorts();

    Transport& m_transport;
    LoggerSession& m_session;
    MainWindow& m_main;
    QString m_portSettingsFile;
    QList<QRadioButton*> m_options;
    QList<QLabel*> m_devices;
    QPushButton* m_refresh = nullptr;
    QVBoxLayout* m_buttons = nullptr;
    ComPortMap* m_ports = nullptr;
    std::function<QList<SerialPortInfo>()> m_scan;
    QPushButton* m_connect = nullptr;
    QPushButton* m_modem = nullptr;
    QPushButton* m_cancel = nullptr;
    QPlainTextEdit* m_txtScritte = nullptr;
    QLabel* m_label2 = nullptr;
    QString m_log;
    std::function<void()> m_openModemWindow;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
    bool m_connecting = false;
    bool m_abandoned = false;
};

} // namespace korvelan
