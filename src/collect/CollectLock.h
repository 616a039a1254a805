#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace korvelan {

// Keeps two runs from working on the same thing at once (a port, the mark of a logger): a
// lock file, held while the thing is in use. A lock left by a run that died is taken over; a
// live one is never broken, however old.
class CollectLock
{
public:
    // "<folder>/collect-<key made safe>.lock".
    CollectLock(const QString& folder, const QString& key);
    // The lock file `path`.
    explicit CollectLock(const QString& path);

    // False when another run holds it; holder() says who.
    bool tryLock();
    // "process 1234 on host1 (korvelan-collect)", or why the lock could not be taken.
    [[nodiscard]] QString holder() const;
    [[nodiscard]] QString path() const { return m_path; }

    // The device a port's path names in the end (a /dev/serial/by-id/... link resolved), so
    // two names of one device share its lock; the path as given when it names no file (COM3).
    [[nodiscard]] static QString devicePath(const QString& device);

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_file;
};

} // namespace korvelan
