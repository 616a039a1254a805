#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace korvelan {

// One remote station of the modem window's list.
struct Station
{
    QString Nome;     // station (logger) name
    QString Telefono; // number dialled
    QString Scadenza; // end date, kept for the operator
    QString Uldata;   // date of the last connection

    bool operator==(const Station&) const = default;
};

inline constexpr int kStations = 70;
using StationTable = std::array<Station, kStations>;

// The station list's files in the program folder, without any window: "modem.ini" (name,
// number and end date of each of the 70 stations, one value a line), "last.ini" (the 70 last
// connection dates) and "pmodem.ini" (the modem's COM port).
//
// Values are read one after another: a value ends at a line end or a comma, blanks around it
// are dropped, and a value between double quotes is taken without them ("" inside stands for
// one quote). Values are written one a line, CR LF ended, as they are; only a value with a
// comma or a double quote is written between quotes, so it reads back whole.
namespace stationfiles {

// A file larger than this is no station list: only its beginning is read.
inline constexpr qint64 kMaxSize = 1024 * 1024;

[[nodiscard]] QStringList readValues(const QByteArray& contents);
// One value as a line of a station file, CR LF included.
[[nodiscard]] QByteArray valueLine(const QString& value);
// The 210 lines of "modem.ini" and the 70 of "last.ini".
[[nodiscard]] QByteArray modemIni(const StationTable& stations);
[[nodiscard]] QByteArray lastIni(const StationTable& stations);

} // namespace stationfiles

class StationFiles
{
public:
    // The three files in `folder`.
    explicit StationFiles(const QString& folder);

    struct Loaded
    {
        StationTable stations;
        // The port of "pmodem.ini"; none when the file held no number, or was not read.
        std::optional<int16_t> port;
        // "modem.ini" had all 210 values; only then are "pmodem.ini" and "last.ini" read.
        bool complete = false;
    };

    // Creates the files that are missing (empty) and reads them. A short "modem.ini" fills
    // the rows it has and stops there.
    [[nodiscard]] Loaded load() const;
    // Rewrites "modem.ini" and "last.ini" whole. Each file is written aside and then put in
    // place, so a failure leaves the old list as it was; false with *error filled then.
    bool save(const StationTable& stations, QString* error) const;
    // Saves the rows of `edited` that differ from `loaded` (what the caller read before) and
    // keeps every other row as the files hold it now, so a save does not undo what another
    // window or a collection wrote meanwhile. Done under the list's lock, with the files read
    // again; *merged gets the list as saved.
    bool saveChanges(const StationTable& loaded, const StationTable& edited, StationTable* merged,
                     QString* error) const;
    // Records `date` as the last connection of row `row`, under the list's lock and with the
    // files read again, changing nothing else; refused when the row no longer holds `station`'s
    // name and number (it was edited meanwhile).
    bool recordConnection(int row, const Station& station, const QString& date,
                          QString* error) const;
    bool savePort(int16_t port, QString* error) const;

    [[nodiscard]] QString modemPath() const { return m_modem; }
    [[nodiscard]] QString lastPath() const { return m_last; }
    [[nodiscard]] QString portPath() const { return m_port; }

private:
    QString m_modem;
    QString m_last;
    QString m_port;
    QString m_lock;
};

} // namespace korvelan
