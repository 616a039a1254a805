#pragma once

#include "measurement/MeasurementFile.h"
#include "measurement/MeasurementGrid.h"
#include "measurement/MeasurementRun.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace korvelan {

class CommandLock;
class Grafici;
class GridView;
class Prompter;
class Transport;
struct LoggerSession;

// "Continuous reading": reads every channel of multiplexers 0 and 1 over and over, shows each
// cycle as a row of two grids and appends it to a measurement file, until Stop or until the
// logger stops answering. A chart of the latest cycles can be opened beside it.
//
// A run is one action on the link from the probe to its end, so the main window's RESTORE or
// its closing ends it; window events run only at the top of each cycle and inside the reply
// waits, where no other exchange can start. The main window's logger buttons are off for the
// whole run.
class MisCont : public QWidget
{
    Q_OBJECT
public:
    // Asks for the measurement file: the folder and the name proposed; empty when cancelled.
    using FileChooser =
        std::function<QString(QWidget* parent, const QString& folder, const QString& proposed)>;

    static constexpr int kChartReadings = 50;
    static inline const QString kGageFile = QStringLiteral("gage.txt");

    MisCont(Transport& transport, Prompter& prompter, LoggerSession& session, CommandLock& lock,
            QString programFolder, QWidget* parent = nullptr);
    ~MisCont() override;

    // The multiplexer put into the first reading command; the main window sets 0.
    void setMuxNumber(int16_t mux) { m_muxNumber = mux; }
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // The time of day for the date column and the proposed file name.
    void setWallClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    void cmdStart();
    void cmdStop();
    void cmdGraf();
    void cmdChiudi();

    [[nodiscard]] bool running() const { return m_state == State::Running; }
    [[nodiscard]] bool chartOpen() const { return m_chartOpen; }
    [[nodiscard]] Grafici* chart() const;
    [[nodiscard]] MeasurementGrid& grid1() { return m_grid1; }
    [[nodiscard]] MeasurementGrid& grid2() { return m_grid2; }
    [[nodiscard]] GridView* gridView(int i) const { return i == 0 ? m_view1 : m_view2; }
    [[nodiscard]] QString filePath() const { return m_file ? m_file->path() : QString(); }

signals:
    // A cycle has been shown and written (counted from 1 in each run).
    void cycleCompleted(qint64 cycle);
    // The run ended, normally or in error.
    void runEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class State { Idle, Starting, Running, Broken };

    void buildControls();
    void loadGage();
    void saveGage();
    void start(float gage);
    [[nodiscard]] bool chooseFile();
    void layGrids();
    void readingLoop();
    void endRun();
    void endInError(const QString& description);
    void backToIdle();
    void showNotice(const QString& text);
    void hideNotice();
    void enableGage();
    [[nodiscard]] bool uStrain() const;
    [[nodiscard]] bool delta() const;
    [[nodiscard]] QString messageTitle() const;
    void closeWhenIdle();

    Transport& m_transport;
    Prompter& m_prompter;
    LoggerSession& m_session;
    CommandLock& m_lock;
    QString m_folder;
    FileChooser m_chooseFile;
    std::function<QDateTime()> m_now;
    int16_t m_muxNumber = 0;

    MeasurementGrid m_grid1;
    MeasurementGrid m_grid2;
    QRadioButton* m_hz = nullptr;
    QRadioButton* m_uStrain = nullptr;
    QCheckBox* m_chkDelta = nullptr;
    QLineEdit* m_txtGage = nullptr;
    QPushButton* m_cmdStart = nullptr;
    QPushButton* m_cmdStop = nullptr;
    QPushButton* m_cmdChiudi = nullptr;
    QPushButton* m_cmdGraf = nullptr;
    QLineEdit* m_txtAvviso = nullptr;
    GridView* m_view1 = nullptr;
    GridView* m_view2 = nullptr;
    QPointer<Grafici> m_chart;
    bool m_chartOpen = false;

    State m_state = State::Idle;
    bool m_stop = false;
    bool m_closeAfterRun = false;

    // The run under way.
    MeasurementRun m_run{m_transport, m_session, m_grid1, m_grid2};
    float m_gage = 0;
    qint64 m_cycles = 0;
    std::optional<MeasurementFile> m_file;
};

} // namespace korvelan
