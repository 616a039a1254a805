#include "download/DataFileName.h"

#include <QFileInfo>

namespace korvelan {

namespace {

// Long enough for any logger name, short enough that the whole name stays under the
// 255-byte limit of common file systems.
constexpr qsizetype kMaxNamePart = 200;
// How far the numbering of same-named files goes before giving up.
constexpr int kMaxNumber = 9999;

bool refusedInFileName(QChar c)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7f || refused.contains(c);
}

bool isFolderSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'/' || c == u'\\';
#else
    return c == u'/';
#endif
}

// A dangling link is taken too: a new file cannot be made under its name.
bool taken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// "name.txt" -> {"name", ".txt"}; a name without a dot has no extension.
std::pair<QString, QString> splitExtension(const QString& fileName)
{
    const auto dot = fileName.lastIndexOf(u'.');
    if (dot <= 0)
        return {fileName, QString()};
    return {fileName.left(dot), fileName.mid(dot)};
}

} // namespace

QString safeFileNamePart(const QString& name)
{
    const QString source = name.left(kMaxNamePart);
    QString safe = source;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source[i];
        // A leading dot would hide the file; two dots in a row read as "..".
        const bool dotRun = c == u'.' && (i == 0 || source[i - 1] == u'.' ||
                                          (i + 1 < source.size() && source[i + 1] == u'.'));
        if (refusedInFileName(c) || dotRun)
            safe[i] = u'_';
    }
    return safe;
}

QString dataFileName(const QString& loggerName, const QDate& today)
{
    return safeFileNamePart(loggerName) + u'_' + today.toString(QStringLiteral("dd_MM_yy")) +
           QStringLiteral("_SENS.txt");
}

QString dataFileFolder(const QString& folder)
{
    QString out = folder;
    while (!out.isEmpty() && isFolderSeparator(out.back()))
        out.chop(1);
    return out;
}

QString dataFilePath(const QString& folder, const QString& fileName)
{
    return dataFileFolder(folder) + u'/' + fileName;
}

QString nextFreePath(const QString& folder, const QString& fileName)
{
    const QString first = dataFilePath(folder, fileName);
    if (!taken(first))
        return first;
    const auto [stem, extension] = splitExtension(fileName);
    for (int n = 2; n <= kMaxNumber; ++n) {
        const QString path = dataFilePath(folder, stem + u'_' + QString::number(n) + extension);
        if (!taken(path))
            return path;
    }
    return QString();
}

QString partialFileName(const QString& fileName)
{
    const auto [stem, extension] = splitExtension(fileName);
    return stem + QStringLiteral(".partial") + extension;
}

} // namespace korvelan
