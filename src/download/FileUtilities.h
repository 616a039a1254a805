#pragma once

#include <QString>
#include <cstdint>

namespace korvelan {

class Prompter;

// Moves a file to `to` in one step. With `replace`, a file already at `to` is replaced (it
// stays whole until the new one takes its place); without, a file at `to` makes the move
// fail, and it never replaces one, whatever the file system: where the system's rename that
// refuses an existing target is not offered (NFS, some network and FUSE file systems), the
// file gets a second name (a hard link) and loses the old one; where there are no hard links
// either (FAT), it is copied into a file created only when the name is free, then removed.
// On failure *error gets the system's reason.
bool moveFile(const QString& from, const QString& to, bool replace, QString* error);

// Deletes the file; every failure (missing, read-only, in use) is ignored.
void CancellaFile(const QString& path);

// Whether another program holds the file open, and the operator gave up waiting for it:
// false when there is no file at `path` or it is free; true when it is busy and the operator
// chose Cancel. Retry examines the file again.
bool FileOccupato(const QString& path, Prompter& prompter);

// One attempt of the busy check: 1 = free, 0 = busy and the operator asked to retry,
// 2 = busy and the operator cancelled.
int16_t ProvaRinomina(const QString& path, Prompter& prompter);

// Whether a process other than this one has the file open.
//
// Windows refuses to rename a file another program holds open, which is how the check
// finds out there. Elsewhere a rename succeeds all the same, so the open files of every
// process are looked up in /proc/<pid>/fd. Limits: only processes this user may inspect are
// seen (a file held by another user's program counts as free unless we run as root); a file
// mapped into memory without an open descriptor is not seen; on a system without /proc the
// answer is always false. The scan reads each descriptor once and stops after a fixed number
// of entries, so it ends quickly even on a busy machine.
bool heldOpenElsewhere(const QString& path);

} // namespace korvelan
