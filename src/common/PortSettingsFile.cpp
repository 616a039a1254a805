#include "common/PortSettingsFile.h"

#include "link/NumberForms.h"

#include <QFile>
#include <QSaveFile>
#include <limits>

namespace korvelan::portsettings {

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

} // namespace

QByteArray line(int16_t port)
{
    return numbers::leadingBlank(static_cast<qint64>(port)).toLatin1() + QByteArrayLiteral(" \r\n");
}

int16_t lastNumber(const QByteArray& contents)
{
    // The last item decides, as when the numbers are read one after another.
    qsizetype end = contents.size();
    while (end > 0 && isSeparator(contents[end - 1]))
        --end;
    qsizetype begin = end;
    while (begin > 0 && !isSeparator(contents[begin - 1]))
        --begin;
    if (begin == end)
        return 0;
    double value = 0;
    if (!numbers::isNumeric(QString::fromLatin1(contents.mid(begin, end - begin)), &value))
        return 0;
    if (value != static_cast<double>(numbers::roundHalfEven(value)))
        return 0;
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        return 0;
    return static_cast<int16_t>(value);
}

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::Append);
}

int16_t read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    if (file.size() > kMaxSize)
        return 0;
    // A device or a pipe under that name has no size: read no more than the limit.
    const QByteArray contents = file.read(kMaxSize + 1);
    if (contents.size() > kMaxSize)
        return 0;
    return lastNumber(contents);
}

bool write(const QString& path, int16_t port)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(line(port));
    return file.commit();
}

} // namespace korvelan::portsettings
