#pragma once

#include <QString>

namespace korvelan {

// The program folder: where the program keeps its small settings files (last COM port, modem
// port, station list, gage file). The executable's own folder when the program may write
// there, as operators expect; otherwise (an installation under Program Files, /usr/bin) the
// per-user data folder. A folder given on the command line wins over both.
class AppPaths
{
public:
    explicit AppPaths(QString folder);

    // The rule above. `chosen` is the command line's folder, empty when none was given.
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
    // Creates the folder when it is missing; false when that fails.
    bool ensureExists() const;

private:
    QString m_folder;
};

} // namespace korvelan
