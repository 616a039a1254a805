#pragma once

#include <QDate>
#include <QString>

namespace korvelan {

// The logger's name made fit for a file name: characters no file system takes (path
// separators, : * ? " < > |, control characters) and dot runs that could read as "." or ".."
// become "_", so the name can neither leave the chosen folder nor be refused by the system.
// Names that are already fine pass unchanged (blanks included).
QString safeFileNamePart(const QString& name);

// name_dd_mm_yy_SENS.txt, the date always day first.
QString dataFileName(const QString& loggerName, const QDate& today);

// The folder a file in `folder` is written to: a folder text ending with the separator (a
// drive root such as "C:\" or "/") loses it, so folder + separator + name is one separator.
QString dataFileFolder(const QString& folder);

// folder + "/" + name, after the two rules above.
QString dataFilePath(const QString& folder, const QString& fileName);

// The path of `fileName` in `folder` when nothing of that name is there yet; otherwise the
// first free one of stem_2.ext, stem_3.ext, ... (SITE1_05_12_26_SENS_2.txt). Empty when
// even those are all taken.
QString nextFreePath(const QString& folder, const QString& fileName);

// What a transfer that did not end is kept as: stem.partial.ext.
QString partialFileName(const QString& fileName);

} // namespace korvelan
