#include "remote/StationFiles.h"

#include "common/PortSettingsFile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>

namespace korvelan {

namespace stationfiles {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool endsValue(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

} // namespace

QStringList readValues(const QByteArray& contents)
{
    QStringList values;
    const qsizetype n = contents.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && isBlank(contents[i]))
            ++i;
        QByteArray value;
        if (i < n && contents[i] == '"') {
            // Up to the closing quote, a doubled quote standing for one; a line end closes an
            // unfinished one, so a stray quote cannot swallow the rest of the file.
            for (++i; i < n && contents[i] != '\r' && contents[i] != '\n'; ++i) {
                if (contents[i] != '"') {
                    value += contents[i];
                } else if (i + 1 < n && contents[i + 1] == '"') {
                    value += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            while (i < n && !endsValue(contents[i]))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && !endsValue(contents[i]))
                ++i;
            qsizetype end = i;
            while (end > start && isBlank(contents[end - 1]))
                --end;
            value = contents.mid(start, end - start);
        }
        values << QString::fromLatin1(value);
        if (i < n) {
            const bool crlf = contents[i] == '\r' && i + 1 < n && contents[i + 1] == '\n';
            i += crlf ? 2 : 1;
        }
    }
    return values;
}

QByteArray valueLine(const QString& value)
{
    // A station field is one line of text.
    QString text = value;
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')))
        text = u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text.toLatin1() + "\r\n";
}

QByteArray modemIni(const StationTable& stations)
{
    QByteArray out;
    for (const Station& s : stations)
        out += valueLine(s.Nome) + valueLine(s.Telefono) + valueLine(s.Scadenza);
    return out;
}

QByteArray lastIni(const StationTable& stations)
{
    QByteArray out;
    for (const Station& s : stations)
        out += valueLine(s.Uldata);
    return out;
}

} // namespace stationfiles

namespace {

// Creates the file empty when it is missing, then reads it (no more than a station list can
// sensibly hold).
QByteArray touchAndRead(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        file.open(QIODevice::ReadOnly);
    return file.isOpen() ? file.read(stationfiles::kMaxSize) : QByteArray();
}

bool replace(const QString& path, const QByteArray& contents, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.commit())
        return true;
    if (error)
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
    return false;
}

// Holds the list's lock file while it lives; held() says whether it was had in time.
class ListLock
{
public:
    // Saves take milliseconds: a lock held longer belongs to a program that hangs.
    static constexpr int kWaitMs = 3000;

    explicit ListLock(const QString& path) : m_file(path)
    {
        m_file.setStaleLockTime(30000);
        m_held = m_file.tryLock(kWaitMs);
    }
    [[nodiscard]] bool held(QString* error) const
    {
        if (!m_held && error)
            *error = QStringLiteral("the station list is being saved by another program (%1)")
                         .arg(QDir::toNativeSeparators(m_file.fileName()));
        return m_held;
    }

private:
    QLockFile m_file;
    bool m_held = false;
};

} // namespace

StationFiles::StationFiles(const QString& folder)
    : m_modem(QDir(folder).filePath(QStringLiteral("modem.ini"))),
      m_last(QDir(folder).filePath(QStringLiteral("last.ini"))),
      m_port(QDir(folder).filePath(QStringLiteral("pmodem.ini"))),
      m_lock(QDir(folder).filePath(QStringLiteral("stations.lock")))
{}

StationFiles::Loaded StationFiles::load() const
{
    Loaded loaded;
    const QStringList values = stationfiles::readValues(touchAndRead(m_modem));
    qsizetype next = 0;
    for (Station& s : loaded.stations) {
        for (QString* field : {&s.Nome, &s.Telefono, &s.Scadenza}) {
            if (next == values.size())
                return loaded;
            *field = values[next++];
        }
    }
    loaded.complete = true;

    const QByteArray port = touchAndRead(m_port);
    if (!port.trimmed().isEmpty())
        loaded.port = portsettings::lastNumber(port);

    const QStringList dates = stationfiles::readValues(touchAndRead(m_last));
    for (qsizetype i = 0; i < std::min<qsizetype>(dates.size(), kStations); ++i)
        loaded.stations[size_t(i)].Uldata = dates[i];
    return loaded;
}

bool StationFiles::save(const StationTable& stations, QString* error) const
{
    return replace(m_modem, stationfiles::modemIni(stations), error) &&
           replace(m_last, stationfiles::lastIni(stations), error);
}

bool StationFiles::saveChanges(const StationTable& loaded, const StationTable& edited,
                               StationTable* merged, QString* error) const
{
    const ListLock lock(m_lock);
    if (!lock.held(error))
        return false;
    StationTable table = load().stations;
    for (size_t i = 0; i < table.size(); ++i) {
        if (edited[i] != loaded[i])
            table[i] = edited[i];
    }
    if (!save(table, error))
        return false;
    if (merged)
        *merged = table;
    return true;
}

bool StationFiles::recordConnection(int row, const Station& station, const QString& date,
                                    QString* error) const
{
    const ListLock lock(m_lock);
    if (!lock.held(error))
        return false;
    Loaded now = load();
    Station& current = now.stations[size_t(row)];
    if (!now.complete || current.Nome.trimmed() != station.Nome.trimmed() ||
        current.Telefono.trimmed() != station.Telefono.trimmed()) {
        if (error)
            *error =
                QStringLiteral("row %1 of the station list was changed meanwhile").arg(row + 1);
        return false;
    }
    current.Uldata = date;
    return replace(m_last, stationfiles::lastIni(now.stations), error);
}

bool StationFiles::savePort(int16_t port, QString* error) const
{
    return replace(m_port, portsettings::line(port), error);
}

} // namespace korvelan
