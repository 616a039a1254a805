#include "collect/CollectLock.h"

#include "download/DataFileName.h"

#include <QDir>
#include <QFileInfo>

namespace korvelan {

CollectLock::CollectLock(const QString& folder, const QString& key)
    : CollectLock(QDir(folder).filePath(QStringLiteral("collect-") + safeFileNamePart(key) +
                                        QStringLiteral(".lock")))
{}

CollectLock::CollectLock(const QString& path)
    : m_path(path), m_file(std::make_unique<QLockFile>(m_path))
{
    // A collection may take hours: age alone never makes a lock stale, only a holder that is
    // gone.
    m_file->setStaleLockTime(0);
}

bool CollectLock::tryLock()
{
    return m_file->tryLock(0);
}

QString CollectLock::devicePath(const QString& device)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    return real.isEmpty() ? device : real;
}

QString CollectLock::holder() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (m_file->error() == QLockFile::LockFailedError && m_file->getLockInfo(&pid, &host, &program))
        return QStringLiteral("process %1 on %2 (%3)")
            .arg(pid)
            .arg(host.isEmpty() ? QStringLiteral("this computer") : host,
                 program.isEmpty() ? QStringLiteral("?") : program);
    switch (m_file->error()) {
    case QLockFile::PermissionError:
        return QStringLiteral("the lock file %1 cannot be made")
            .arg(QDir::toNativeSeparators(m_path));
    case QLockFile::LockFailedError:
        return QStringLiteral("another run (see %1)").arg(QDir::toNativeSeparators(m_path));
    default:
        return QStringLiteral("the lock file %1 cannot be used")
            .arg(QDir::toNativeSeparators(m_path));
    }
}

} // namespace korvelan
