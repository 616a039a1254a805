#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace korvelan {

// The logger and modem emulator (korvelan-sim) run beside the program, so that the program
// can be tried without hardware. The emulator prints the devices it serves; the program
// connects to them as to COM ports. It is stopped when this object goes.
class SimulatorProcess
{
public:
    static constexpr auto kStartLimit = std::chrono::seconds(10);
    static inline const QString kProgramName = QStringLiteral("korvelan-sim");

    struct Devices
    {
        QString logger;
        QString modem;
        QStringList modems; // a pool: "modem", "modem2", ... in order
    };

    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Where korvelan-sim is: beside the program, in the build tree's sim folder, or on the PATH.
    // Empty when it is nowhere.
    [[nodiscard]] static QString findProgram(const QString& programFolder);
    // The devices in what the emulator printed ("logger PATH" and "modem PATH" lines);
    // nullopt until both are there.
    [[nodiscard]] static std::optional<Devices> parseDevices(const QString& printed);

    // Starts the emulator and waits (at most `limit`) until it has printed both devices.
    // The emulator is asked to end with our standard input, so it never outlives us.
    bool start(const QString& program, const QStringList& arguments, QString* error,
               std::chrono::milliseconds limit = kStartLimit);
    [[nodiscard]] Devices devices() const { return m_devices; }
    [[nodiscard]] bool running() const { return m_process.state() != QProcess::NotRunning; }
    // Asks the emulator to end, and makes it end if it does not within a moment.
    void stop();
    // What the emulated loggers refused as not in a form they take ("... protocol error ...").
    [[nodiscard]] QStringList protocolErrors() const { return m_protocolErrors; }

private:
    QProcess m_process;
    Devices m_devices;
    QString m_errorText;
    QStringList m_protocolErrors;
};

} // namespace korvelan
