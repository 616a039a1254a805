#pragma once

#include <QString>

namespace korvelan {

// The program folder: where the program keeps its small settings files (last COM port, modem
// port, station list, gage file, the last data folder). On Windows the executable's own
// folder when the program may write there, as operators expect, otherwise (an installation
// under Program Files) the per-user data folder. Elsewhere always the per-user data folder
// (~/.local/share/KORVELAN), so a rebuild or a new build folder keeps the settings. A folder
// given on the command line wins over both.
class AppPaths
{
public:
    explicit AppPaths(QString folder);

    // The rule above. `chosen` is the command line's folder, empty when none was given;
    // `executableFolder` is empty where the program's own folder is not used.
    [[nodiscard]] static AppPaths choose(const QString& chosen, const QString& executableFolder,
                                         const QString& userDataFolder);
    // The rule with this machine's executable and per-user data folders.
    [[nodiscard]] static AppPaths forThisProgram(const QString& chosen);
    // Whether a file can be created in `folder` (tried, not guessed from permission bits).
    [[nodiscard]] static bool isWritableFolder(const QString& folder);

    [[nodiscard]] QString folder() const { return m_folder; }
    // A file of the program folder.
    [[nodiscard]] QString file(const QString& name) const;
    // The last COM port used, "og399.ini".
    [[nodiscard]] QString portSettingsFile() const;
    // The program's own settings that have no file of their own, "korvelan.ini".
    [[nodiscard]] QString settingsFile() const;
    // Creates the folder when it is missing; false when that fails.
    bool ensureExists() const;

private:
    QString m_folder;
};

} // namespace korvelan
