// The station list's files as whatever a disk may hold: read, written back and read again,
// every value comes back as it was read (a line end inside becomes a blank, blanks around an
// unquoted value are dropped) and in its place, however many commas and quotes it holds.
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
    StationTable table;
    for (qsizetype i = 0; i < values.size() && i < 4 * kStations; ++i) {
        Station& s = table[size_t(i / 4)];
        QString* fields[] = {&s.Nome, &s.Telefono, &s.Scadenza, &s.Uldata};
        *fields[i % 4] = values[i];
    }
    const QStringList modem = stationfiles::readValues(stationfiles::modemIni(table));
    const QStringList last = stationfiles::readValues(stationfiles::lastIni(table));
    if (modem.size() != 3 * kStations || last.size() != kStations)
        std::abort();
    for (int i = 0; i < kStations; ++i) {
        const Station& s = table[size_t(i)];
        if (modem[3 * i] != expected(s.Nome) || modem[3 * i + 1] != expected(s.Telefono) ||
            modem[3 * i + 2] != expected(s.Scadenza) || last[i] != expected(s.Uldata))
            std::abort();
    }
    return 0;
}
