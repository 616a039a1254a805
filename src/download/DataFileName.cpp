#include "download/DataFileName.h"

namespace korvelan {

namespace {

// Long enough for any logger name, short enough that the whole name stays under the
// 255-byte limit of common file systems.
constexpr qsizetype kMaxNamePart = 200;

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

} // namespace korvelan
