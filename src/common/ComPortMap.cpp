#include "common/ComPortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace korvelan {

namespace {

// Numeric order within a family: ttyUSB2 before ttyUSB10.
int deviceNumber(const QString& path)
{
    static const QRegularExpression trailing(QStringLiteral("(\\d+)$"));
    const auto m = trailing.match(path);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

int familyRank(const QString& path)
{
    const QString name = QDir(path).dirName();
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 0;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 1;
    return 2;
}

bool inRange(int port)
{
    return port >= 1 && port <= ComPortMap::kPorts;
}

size_t slot(int port)
{
    return static_cast<size_t>(port - 1);
}

} // namespace

QList<SerialPortInfo> ComPortMap::systemPorts()
{
    QList<SerialPortInfo> found;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString device = port.portName();
#else
        const QString device = port.systemLocation();
#endif
        found.append({device, port.description(), port.manufacturer()});
    }
    return found;
}

ComPortMap ComPortMap::windowsDefaults(const QList<SerialPortInfo>& found)
{
    ComPortMap map;
    map.m_windows = true;
    map.refresh(found);
    return map;
}

ComPortMap ComPortMap::unixDefaults(const QList<SerialPortInfo>& found)
{
    ComPortMap map;
    map.refresh(found);
    return map;
}

ComPortMap ComPortMap::defaults(const QList<SerialPortInfo>& found)
{
#ifdef Q_OS_WIN
    return windowsDefaults(found);
#else
    return unixDefaults(found);
#endif
}

void ComPortMap::refresh(const QList<SerialPortInfo>& found)
{
    m_found = found;
    // A device a port is fixed to is not offered again on another port.
    QStringList fixedDevices;
    for (const auto& fixed : m_fixed) {
        if (!fixed.device.isEmpty())
            fixedDevices << fixed.device << QFileInfo(fixed.device).canonicalFilePath();
    }
    const auto listed = [](const QList<SerialPortInfo>& list, const QString& device) {
        return std::any_of(list.begin(), list.end(),
                           [&](const SerialPortInfo& o) { return o.device == device; });
    };
    QList<SerialPortInfo> ordered;
    if (m_windows) {
        for (int port = 1; port <= kPorts; ++port) {
            const QString name = QStringLiteral("COM%1").arg(port);
            const auto it = std::find_if(found.begin(), found.end(),
                                         [&](const SerialPortInfo& f) { return f.device == name; });
            ordered << (it != found.end() ? *it : SerialPortInfo{name, {}, {}});
        }
    } else {
        for (const auto& f : found) {
            if (!listed(ordered, f.device) && !fixedDevices.contains(f.device))
                ordered << f;
        }
        std::stable_sort(
            ordered.begin(), ordered.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
                const int ra = familyRank(a.device);
                const int rb = familyRank(b.device);
                return ra != rb ? ra < rb : deviceNumber(a.device) < deviceNumber(b.device);
            });
        for (int n = 0; ordered.size() < kPorts; ++n) {
            const QString builtIn = QStringLiteral("/dev/ttyS%1").arg(n);
            if (!listed(ordered, builtIn) && !fixedDevices.contains(builtIn))
                ordered << SerialPortInfo{builtIn, {}, {}};
        }
    }
    // On Windows COM n stays COMn; elsewhere the devices fill the ports that are not fixed.
    qsizetype next = 0;
    for (int port = 1; port <= kPorts; ++port) {
        const auto& fixed = m_fixed[slot(port)];
        if (!fixed.device.isEmpty())
            m_ports[slot(port)] = describedFixed(fixed);
        else
            m_ports[slot(port)] = ordered[m_windows ? port - 1 : next++];
    }
}

SerialPortInfo ComPortMap::describedFixed(const SerialPortInfo& fixed) const
{
    if (!fixed.description.isEmpty())
        return fixed;
    // A link such as /dev/serial/by-id/usb-FTDI_...-port0 names the device it points to.
    const QString real = QFileInfo(fixed.device).canonicalFilePath();
    for (const auto& f : m_found) {
        if (f.device == fixed.device || (!real.isEmpty() && f.device == real))
            return {fixed.device, f.description, f.manufacturer};
    }
    return fixed;
}

void ComPortMap::fix(int port, const QString& device, const QString& description)
{
    if (!inRange(port))
        return;
    m_fixed[slot(port)] = {device, description, {}};
    refresh(m_found);
}

std::optional<ComPortMap::Override> ComPortMap::parseOverride(const QString& text, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<Override> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const auto eq = text.indexOf(QLatin1Char('='));
    if (eq < 0)
        return fail(
            QStringLiteral("\"%1\": expected N=DEVICE, for example 1=/dev/ttyUSB0").arg(text));
    bool ok = false;
    const int port = text.left(eq).trimmed().toInt(&ok);
    if (!ok || !inRange(port))
        return fail(
            QStringLiteral("\"%1\": the port number must be 1 to %2").arg(text).arg(kPorts));
    const QString device = text.mid(eq + 1).trimmed();
    if (device.isEmpty())
        return fail(QStringLiteral("\"%1\": no device given").arg(text));
    return Override{port, device};
}

SerialPortInfo ComPortMap::info(int port) const
{
    return inRange(port) ? m_ports[slot(port)] : SerialPortInfo{};
}

QString ComPortMap::describe(int port) const
{
    const SerialPortInfo i = info(port);
    QStringList about;
    if (!i.description.isEmpty())
        about << i.description;
    if (!i.manufacturer.isEmpty() && !i.description.contains(i.manufacturer))
        about << i.manufacturer;
    QString text = i.device == QStringLiteral("COM%1").arg(port) ? QString() : i.device;
    if (!about.isEmpty())
        text +=
            (text.isEmpty() ? QString() : QStringLiteral(" — ")) + about.join(QStringLiteral(", "));
    return text;
}

} // namespace korvelan
