#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace korvelan {

// Which device each of the connection window's ports "COM 1".."COM 8" opens.
//
// On Windows COM n is "COMn". Elsewhere the defaults are built from the serial devices of the
// machine: the USB adapters that exist (/dev/ttyUSB0, /dev/ttyUSB1, ...), then the USB modems
// (/dev/ttyACM0, ...), then the built-in ports /dev/ttyS0, /dev/ttyS1, ... fill COM 1 to
// COM 8 in that order. With no adapter plugged in, COM n is /dev/ttyS(n-1) as usual; with one
// adapter, COM 1 reaches it. Any port can be set explicitly (--com N=DEVICE).
class ComPortMap
{
public:
    static constexpr int kPorts = 8;

    // Every port unmapped.
    ComPortMap() = default;

    // "COMn" for every port.
    [[nodiscard]] static ComPortMap windowsDefaults();
    // The rule above over the adapters found, given as device paths in any order.
    [[nodiscard]] static ComPortMap unixDefaults(const QStringList& adapters);
    // The defaults for this machine.
    [[nodiscard]] static ComPortMap defaults();
    // The USB and ACM adapters present in /dev.
    [[nodiscard]] static QStringList
    adaptersPresent(const QString& devFolder = QStringLiteral("/dev"));

    // An override "N=DEVICE", N in 1..8. nullopt and *error filled when it is not one.
    struct Override
    {
        int port = 0;
        QString device;
    };
    [[nodiscard]] static std::optional<Override> parseOverride(const QString& text, QString* error);

    void set(int port, const QString& device);
    void apply(const Override& o) { set(o.port, o.device); }
    // The device of a port; empty for a port outside 1..8 or one without a device.
    [[nodiscard]] QString device(int port) const;

private:
    std::array<QString, kPorts> m_devices;
};

} // namespace korvelan
