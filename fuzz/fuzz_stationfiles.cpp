// The station list's files as whatever a disk may hold: read, written back and read again,
// every value comes back as it was read (a line end inside becomes a blank, blanks around an
// unquoted value are dropped) and in its place, however many commas and quotes it holds; and
// a whole list always writes its 210 and 70 values.
#include "remote/StationFiles.h"

#include <cstdlib>

using namespace korvelan;

namespace {

QString expected(const QString& value)
{
    QString text = value;
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    if (text.contains(u',') || text.contains(u'"'))
        return text;
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && (text[from] == u' ' || text[from] == u'\t'))
        ++from;
    while (to > from && (text[to - 1] == u' ' || text[to - 1] == u'\t'))
        --to;
    return text.mid(from, to - from);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList values = stationfiles::readValues(contents);
    // The values as the files write them, one a line, in the order of the table.
    QByteArray written;
    for (const QString& value : values)
        written += stationfiles::valueLine(value);
    const QStringList again = stationfiles::readValues(written);
    if (again.size() != values.size())
        std::abort();
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (again[i] != expected(values[i]))
            std::abort();
    }
    // A whole list: 210 and 70 values, whatever the rows hold.
    if (size % 64 == 0) {
        StationTable table;
        for (qsizetype i = 0; i < values.size() && i < 4 * kStations; ++i) {
            Station& s = table[size_t(i / 4)];
            QString* fields[] = {&s.Nome, &s.Telefono, &s.Scadenza, &s.Uldata};
            *fields[i % 4] = values[i];
        }
        if (stationfiles::readValues(stationfiles::modemIni(table)).size() != 3 * kStations ||
            stationfiles::readValues(stationfiles::lastIni(table)).size() != kStations)
            std::abort();
    }
    return 0;
}
