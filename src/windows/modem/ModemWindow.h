#pragma once

#include "remote/ModemDialogue.h"
#include "remote/StationFiles.h"
#include "ui/ExchangeWindow.h"
#include "windows/modem/RemoteStartup.h"

#include <QColor>
#include <QList>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace korvelan {

class CarrierWatch;
class MainWindow;
class Transport;
struct LoggerSession;

// "GSM CONNECTION": the list of remote stations, the modem's port, dialling, and the wait for
// the modem's connection, after which the station's settings are read into the main window
// and the operator works there as on a cable.
//
// The window drives the program's one serial port through the transport. While a dial is
// under way `Timer1` polls the modem every 2 s; a poll never starts while another exchange
// waits. Closing the window stops the poll, closes the port and shows the connection window
// again.
class ModemWindow : public ExchangeWindow
{
    Q_OBJECT
public:
    static constexpr int kRowsPerPage = 10;
    static constexpr int kPages = kStations / kRowsPerPage;
    static constexpr int kPollInterval = 2000; // ms
    static inline const QColor kRow = QColor(255, 255, 0);
    static inline const QColor kSelectedRow = QColor(255, 0, 0);

    // `folder` holds the station files; `connectionWindow` is shown again when this window
    // closes, and kept from starting a cable connection on the same port meanwhile.
    ModemWindow(Transport& transport, Prompter& prompter, MainWindow& main, const QString& folder,
                QWidget* connectionWindow, QWidget* parent = nullptr);

    // Opens the window afresh: loads the station files and probes the saved modem port.
    void open();

    // Handlers, named after their controls.
    void Primi10(int page);
    void Sel(int row);
    void Salva_Click();
    void CERCAMODEM();
    void SERMODEM_Change();
    void SERMODEM_KeyPress();
    void Connetti();
    void Scarica_Vai();
    void Interrompi();
    void Riprova();
    void Timer1_Timer();

    [[nodiscard]] RemoteStartup& startup() { return m_startup; }
    [[nodiscard]] ModemDialogue& dialogue() { return m_dialogue; }
    [[nodiscard]] QString text1() const { return m_text1; }
    [[nodiscard]] QString lastReply() const { return m_lastReply; }
    [[nodiscard]] int selectedRow() const { return m_selected; }
    [[nodiscard]] StationTable stations() const;

signals:
    // Every text the status box shows, in turn.
    void shown(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void updateButtons() override;

private:
    struct Row
    {
        QRadioButton* sel = nullptr;
        std::array<QLineEdit*, 4> fields{}; // Nome, Telefono, Scadenza, Uldata
    };

    void build();
    QGroupBox* buildPage(int page);
    void reset();
    void load();
    // Fills the rows, and remembers the list as the files held it.
    void showStations(const StationTable& table);
    void probe(int port);
    void dial(bool dialPause);
    void connectedSequence();
    void handOver();
    void setText1(const QString& text);
    void paintRows();
    [[nodiscard]] int portInBox(double add = 0) const;

    LoggerSession& m_session;
    MainWindow& m_main;
    QWidget* m_connectionWindow;
    CarrierWatch* m_watch;
    StationFiles m_files;
    ModemDialogue m_dialogue;
    RemoteStartup m_startup;

    std::array<Row, kStations> m_rows{};
    StationTable m_loaded; // the list as last read or saved
    QList<QGroupBox*> m_frames;
    QList<QRadioButton*> m_pageOptions;
    QButtonGroup* m_selGroup = nullptr;
    QLineEdit* m_sermodem = nullptr;
    QPlainTextEdit* m_text1Box = nullptr;
    QTimer* m_timer = nullptr;
    QPushButton* m_cercaModem = nullptr;
    QPushButton* m_salva = nullptr;
    QPushButton* m_interrompi = nullptr;
    QPushButton* m_connetti = nullptr;
    QPushButton* m_riprova = nullptr;
    QPushButton* m_scaricaVai = nullptr;

    QString m_text1;
    QString m_lastReply;
    QString m_replyTail;
    int m_selected = 0;
    bool m_mayConnect = false;
    bool m_mayStop = false;
    bool m_mayRetry = false;
    bool m_stopAfterPoll = false;
};

} // namespace korvelan
