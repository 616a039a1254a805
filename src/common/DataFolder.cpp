#include "common/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace korvelan {

namespace {

const QString kKey = QStringLiteral("download/folder");

} // namespace

DataFolder::DataFolder(QString settingsFile, QString documentsFolder)
    : m_settingsFile(std::move(settingsFile)), m_documents(std::move(documentsFolder))
{
    if (m_documents.isEmpty())
        m_documents = QDir::homePath();
}

DataFolder::DataFolder(QString settingsFile)
    : DataFolder(std::move(settingsFile),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
{}

QString DataFolder::defaultFolder() const
{
    return QDir(m_documents).filePath(QStringLiteral("KORVELAN"));
}

QString DataFolder::initial() const
{
    const QSettings settings(m_settingsFile, QSettings::IniFormat);
    const QString remembered = settings.value(kKey).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString folder = defaultFolder();
    return QDir().mkpath(folder) ? folder : m_documents;
}

bool DataFolder::remember(const QString& folder) const
{
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    settings.setValue(kKey, QDir::fromNativeSeparators(folder));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace korvelan
