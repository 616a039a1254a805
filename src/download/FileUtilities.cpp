#include "download/FileUtilities.h"

#include "common/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include <cerrno>

#ifdef Q_OS_LINUX
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvelan {

namespace {

#ifdef Q_OS_LINUX
// Enough for every descriptor of a well-loaded desktop; a bound, not a goal.
constexpr int kMaxDescriptorsScanned = 200000;

bool isNumber(const char* name)
{
    if (*name == '\0')
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}
#endif

// A rename that never replaces an existing file (on Windows MoveFile never does).
bool renameKeeping(const QString& from, const QString& to)
{
#ifdef Q_OS_LINUX
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    return ::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0;
#else
    // QFile::rename refuses an existing target; a plain rename is all that is wanted here.
    return !QFileInfo::exists(to) && QDir().rename(from, to);
#endif
}

} // namespace

bool heldOpenElsewhere(const QString& path)
{
#ifdef Q_OS_LINUX
    struct stat target
    {};
    if (::stat(QFile::encodeName(path).constData(), &target) != 0)
        return false;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    const pid_t self = ::getpid();
    int scanned = 0;
    bool held = false;
    while (!held && scanned < kMaxDescriptorsScanned) {
        const dirent* process = ::readdir(proc);
        if (!process)
            break;
        if (!isNumber(process->d_name) || std::atoi(process->d_name) == self)
            continue;
        char fdPath[300];
        std::snprintf(fdPath, sizeof fdPath, "/proc/%s/fd", process->d_name);
        DIR* fds = ::opendir(fdPath);
        if (!fds)
            continue; // gone meanwhile, or not ours to look at
        while (const dirent* fd = ::readdir(fds)) {
            if (++scanned >= kMaxDescriptorsScanned)
                break;
            if (!isNumber(fd->d_name))
                continue;
            struct stat open
            {};
            if (::fstatat(::dirfd(fds), fd->d_name, &open, 0) == 0 &&
                open.st_dev == target.st_dev && open.st_ino == target.st_ino) {
                held = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return held;
#else
    (void)path;
    return false;
#endif
}

bool moveFile(const QString& from, const QString& to, bool replace, QString* error)
{
    if (replace) {
        // One rename: whoever opens `to` finds either the old file or the new one, whole.
        std::error_code code;
        std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                                std::filesystem::path(to.toStdU16String()), code);
        if (code && error)
            *error = QString::fromStdString(code.message());
        return !code;
    }
    errno = 0;
    if (renameKeeping(from, to))
        return true;
    if (error)
        *error = QFileInfo::exists(to) ? QStringLiteral("File exists") : qt_error_string(errno);
    return false;
}

void CancellaFile(const QString& path)
{
    // A read-only file stays: its owner has no write permission (the read-only flag on Windows).
    if (!QFileInfo(path).permission(QFile::WriteOwner))
        return;
    QFile::remove(path);
}

int16_t ProvaRinomina(const QString& path, Prompter& prompter)
{
    const QString temp = path + QStringLiteral(".temp");
    bool free = !heldOpenElsewhere(path);
    if (free && renameKeeping(path, temp))
        free = renameKeeping(temp, path);
    else
        free = false;
    if (free)
        return 1;
    const QString text =
        QStringLiteral("Il file ") + QDir::toNativeSeparators(path) +
        QStringLiteral(" è occupato. Chiudere le applicazioni che utilizzano il file.");
    return prompter.askRetryCancel(PromptIcon::None, QStringLiteral("Azione annullata"), text) ==
                   PromptAnswer::Retry
               ? 0
               : 2;
}

bool FileOccupato(const QString& path, Prompter& prompter)
{
    for (;;) {
        if (!QFileInfo::exists(path))
            return false;
        switch (ProvaRinomina(path, prompter)) {
        case 1:
            return false;
        case 2:
            return true;
        default:
            break; // the operator closed the other program: look again
        }
    }
}

} // namespace korvelan
