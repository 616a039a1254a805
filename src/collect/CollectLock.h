#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace korvelan {

// Keeps two collections of the same logger (a cable's device, a station) from running at
// once: a lock file in the program folder, held while the logger is collected. A lock left
// by a run that died is taken over; a live one is never broken, however old.
class CollectLock
{
public:
    // "<folder>/collect-<key made safe>.lock".
    CollectLock(const QString& folder, const QString& key);

    // False when another run holds it; holder() says who.
    bool tryLock();
    // "process 1234 on host1 (korvelan-collect)", or why the lock could not be taken.
    [[nodiscard]] QString holder() const;
    [[nodiscard]] QString path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_file;
};

} // namespace korvelan
