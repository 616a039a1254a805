#pragma once

#include <QString>

namespace korvelan {

// Where data files go: the folder the operator chose last, remembered in the program
// folder's settings file; the first time, or when that folder is gone (a stick taken out),
// a "KORVELAN" folder in the user's documents folder, made when missing.
//
// The settings are an ini file in the program folder rather than the system's settings
// store (the registry, ~/.config): they stay beside og399.ini, so --folder moves all of them
// at once and a test's folder holds them, and QSettings writes any path, whatever its
// characters.
class DataFolder
{
public:
    // `settingsFile` is the program folder's "korvelan.ini".
    DataFolder(QString settingsFile, QString documentsFolder);
    // With this user's documents folder.
    explicit DataFolder(QString settingsFile);

    [[nodiscard]] QString defaultFolder() const;
    // The folder to start in, made when it is the default one and missing.
    [[nodiscard]] QString initial() const;
    // Remembers the folder the operator chose; false when the settings cannot be written.
    bool remember(const QString& folder) const;

private:
    QString m_settingsFile;
    QString m_documents;
};

} // namespace korvelan
