#include "common/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace korvelan {

AppPaths::AppPaths(QString folder) : m_folder(QDir::cleanPath(std::move(folder))) {}

AppPaths AppPaths::choose(const QString& chosen, const QString& executableFolder,
                          const QString& userDataFolder)
{
    if (!chosen.isEmpty())
        return AppPaths(QDir(chosen).absolutePath());
    if (isWritableFolder(executableFolder))
        return AppPaths(executableFolder);
    return AppPaths(userDataFolder);
}

AppPaths AppPaths::forThisProgram(const QString& chosen)
{
#ifdef Q_OS_WIN
    const QString executableFolder = QCoreApplication::applicationDirPath();
#else
    const QString executableFolder;
#endif
    return choose(chosen, executableFolder,
                  QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

bool AppPaths::isWritableFolder(const QString& folder)
{
    if (folder.isEmpty() || !QDir(folder).exists())
        return false;
    // Permission bits do not tell the whole story (ACLs, read-only mounts): try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".korvelan-XXXXXX")));
    return probe.open();
}

QString AppPaths::file(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

QString AppPaths::portSettingsFile() const
{
    return file(QStringLiteral("og399.ini"));
}

QString AppPaths::settingsFile() const
{
    return file(QStringLiteral("korvelan.ini"));
}

bool AppPaths::ensureExists() const
{
    return QDir().mkpath(m_folder);
}

} // namespace korvelan
