#include "common/ComPortMap.h"

#include <QDir>
#include <QRegularExpression>
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

} // namespace

ComPortMap ComPortMap::windowsDefaults()
{
    ComPortMap map;
    for (int port = 1; port <= kPorts; ++port)
        map.set(port, QStringLiteral("COM%1").arg(port));
    return map;
}

ComPortMap ComPortMap::unixDefaults(const QStringList& adapters)
{
    QStringList ordered = adapters;
    ordered.removeDuplicates();
    std::stable_sort(ordered.begin(), ordered.end(), [](const QString& a, const QString& b) {
        const int ra = familyRank(a);
        const int rb = familyRank(b);
        return ra != rb ? ra < rb : deviceNumber(a) < deviceNumber(b);
    });
    for (int n = 0; ordered.size() < kPorts; ++n) {
        const QString builtIn = QStringLiteral("/dev/ttyS%1").arg(n);
        if (!ordered.contains(builtIn))
            ordered << builtIn;
    }
    ComPortMap map;
    for (int port = 1; port <= kPorts; ++port)
        map.set(port, ordered[port - 1]);
    return map;
}

QStringList ComPortMap::adaptersPresent(const QString& devFolder)
{
    QStringList found;
    const QDir dev(devFolder);
    const auto names = dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                     QDir::System | QDir::Files | QDir::Readable | QDir::Writable);
    for (const auto& name : names)
        found << dev.filePath(name);
    return found;
}

ComPortMap ComPortMap::defaults()
{
#ifdef Q_OS_WIN
    return windowsDefaults();
#else
    return unixDefaults(adaptersPresent());
#endif
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
    if (!ok || port < 1 || port > kPorts)
        return fail(
            QStringLiteral("\"%1\": the port number must be 1 to %2").arg(text).arg(kPorts));
    const QString device = text.mid(eq + 1).trimmed();
    if (device.isEmpty())
        return fail(QStringLiteral("\"%1\": no device given").arg(text));
    return Override{port, device};
}

void ComPortMap::set(int port, const QString& device)
{
    if (port >= 1 && port <= kPorts)
        m_devices[static_cast<size_t>(port - 1)] = device;
}

QString ComPortMap::device(int port) const
{
    if (port < 1 || port > kPorts)
        return QString();
    return m_devices[static_cast<size_t>(port - 1)];
}

} // namespace korvelan
