#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace korvelan::test {

// A file's bytes, or "<no file>" when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// Replaces a file's bytes; false when it cannot be written.
inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace korvelan::test
