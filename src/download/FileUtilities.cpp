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

// The ways a file is given a name that must not be taken, in the order they are tried.
enum class KeepingMove { Rename, Link, Copy };

#ifdef Q_OS_LINUX
// The file system does not offer this way of naming a file: the next one is tried.
bool notOffered(int error, KeepingMove way)
{
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP)
        return true;
    // FAT answers a hard link with EPERM.
    return way == KeepingMove::Link && (error == EPERM || error == EMLINK);
}

// Copies `from` into a new file `to` that must not exist yet; on failure the new file is
// removed and errno says why.
bool copyIntoNew(const char* from, const char* to)
{
    const int in = ::open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat info
    {};
    const int out = ::fstat(in, &info) == 0
                        ? ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777)
                        : -1;
    if (out < 0) {
        const int why = errno;
        ::close(in);
        errno = why;
        return false;
    }
    char buffer[64 * 1024];
    bool copied = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            copied = false;
            break;
        }
        for (ssize_t done = 0; copied && done < got;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                copied = false;
            else if (put > 0)
                done += put;
        }
        if (!copied)
            break;
    }
    // A copy that is not on the disk is no copy: the old name goes only after this.
    copied = copied && ::fsync(out) == 0;
    const int why = errno;
    copied = ::close(out) == 0 && copied;
    ::close(in);
    if (!copied) {
        ::unlink(to);
        errno = why;
    }
    return copied;
}
#endif

// A rename that never replaces an existing file (on Windows MoveFile never does); on
// failure *error gets the system's reason for the last way tried.
bool renameKeeping(const QString& from, const QString& to, QString* error)
{
#ifdef Q_OS_LINUX
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    int why = 0;
    for (auto way = KeepingMove::Rename;; way = KeepingMove(int(way) + 1)) {
        bool moved = false;
        switch (way) {
        case KeepingMove::Rename:
            moved = ::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(),
                                RENAME_NOREPLACE) == 0;
            break;
        case KeepingMove::Link:
            moved = ::link(src.constData(), dst.constData()) == 0;
            break;
        case KeepingMove::Copy:
            moved = copyIntoNew(src.constData(), dst.constData());
            break;
        }
        why = errno;
        if (moved) {
            // The data has its new name; a failure to drop the old one loses nothing.
            if (way != KeepingMove::Rename)
                ::unlink(src.constData());
            return true;
        }
        if (way == KeepingMove::Copy || !notOffered(why, way))
            break;
    }
    if (error)
        *error = qt_error_string(why);
    return false;
#else
    // QFile::rename refuses an existing target; a plain rename is all that is wanted here.
    if (!QFileInfo::exists(to) && QDir().rename(from, to))
        return true;
    if (error)
        *error = QFileInfo::exists(to) ? QStringLiteral("File exists") : qt_error_string(errno);
    return false;
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
    return renameKeeping(from, to, error);
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
    if (free && renameKeeping(path, temp, nullptr))
        free = renameKeeping(temp, path, nullptr);
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
