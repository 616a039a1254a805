#pragma once

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace korvelan {

// A serial device of this machine, as the system describes it.
struct SerialPortInfo
{
    QString device;       // "/dev/ttyUSB0", "COM3"
    QString description;  // "FT232R USB UART"
    QString manufacturer; // "FTDI"
    friend bool operator==(const SerialPortInfo&, const SerialPortInfo&) = default;
};

// Which device each of the connection window's ports "COM 1".."COM 8" opens, and what the
// system says of it.
//
// On Windows COM n is "COMn". Elsewhere the ports are filled from the serial devices found:
// the USB adapters (/dev/ttyUSB0, /dev/ttyUSB1, ...), then the USB modems (/dev/ttyACM0, ...),
// then the other devices found, then the built-in ports /dev/ttyS0, /dev/ttyS1, ... fill
// COM 1 to COM 8 in that order. With no adapter plugged in, COM n is /dev/ttyS(n-1) as usual;
// with one adapter, COM 1 reaches it. A port can be fixed to a device (--com N=DEVICE,
// --simulate): looking again for devices (refresh()) leaves it as it was given.
class ComPortMap
{
    ComPortMap() = default;

public:
    static constexpr int kPorts = 8;

    // The serial devices present, as Qt finds them.
    [[nodiscard]] static QList<SerialPortInfo> systemPorts();
    // The rules above over the devices found, given in any order.
    [[nodiscard]] static ComPortMap windowsDefaults(const QList<SerialPortInfo>& found = {});
    [[nodiscard]] static ComPortMap unixDefaults(const QList<SerialPortInfo>& found);
    // This platform's rule.
    [[nodiscard]] static ComPortMap defaults(const QList<SerialPortInfo>& found);

    // An override "N=DEVICE", N in 1..8. nullopt and *error filled when it is not one.
    struct Override
    {
        int port = 0;
        QString device;
    };
    [[nodiscard]] static std::optional<Override> parseOverride(const QString& text, QString* error);

    // Fixes a port to a device; the devices found fill the other ports. Without a
    // description of its own, a link to a device found (/dev/serial/by-id/...) takes that
    // device's description.
    void fix(int port, const QString& device, const QString& description = QString());
    void apply(const Override& o) { fix(o.port, o.device); }
    // The map again for the devices found now; fixed ports stay as given.
    void refresh(const QList<SerialPortInfo>& found);

    // The device of a port; empty for a port outside 1..8 or one without a device.
    [[nodiscard]] QString device(int port) const { return info(port).device; }
    [[nodiscard]] SerialPortInfo info(int port) const;
    // What a port's button shows beside it: device, description and manufacturer; the device
    // is left out where it is the button's own name ("COM3" beside "COM 3").
    [[nodiscard]] QString describe(int port) const;

private:
    [[nodiscard]] SerialPortInfo describedFixed(const SerialPortInfo& fixed) const;

    std::array<SerialPortInfo, kPorts> m_ports;
    std::array<SerialPortInfo, kPorts> m_fixed; // device empty: not fixed
    QList<SerialPortInfo> m_found;
    bool m_windows = false;
};

} // namespace korvelan
