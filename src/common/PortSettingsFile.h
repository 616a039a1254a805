#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The one-line file that remembers the last COM port ("og399.ini" in the program folder).
namespace korvelan::portsettings {

// A file this big was not written by the program; it is not read at all.
inline constexpr qint64 kMaxSize = 64 * 1024;

// The line the program writes: blank, digits, blank, CR LF (" 3 \r\n").
[[nodiscard]] QByteArray line(int16_t port);
// The last number of a settings file's contents; blanks, tabs, commas and line ends
// separate numbers. 0 when there is none, or when the last item is not a whole number the
// program could have written (text, a fraction, a number out of range).
[[nodiscard]] int16_t lastNumber(const QByteArray& contents);

// Creates an empty file when there is none; false when it cannot be created.
bool touch(const QString& path);
// The remembered port, 0 when there is none (no file, an empty, unreadable or foreign one).
[[nodiscard]] int16_t read(const QString& path);
// Replaces the whole file with line(port); false when it cannot be written.
bool write(const QString& path, int16_t port);

} // namespace korvelan::portsettings
