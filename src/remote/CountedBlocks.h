#pragma once

#include <QString>
#include <array>

namespace korvelan {

// The values at fixed places of the blocks the logger sends for its letters alone (the remote
// Retry path). Each block is taken as it came; what is missing reads as empty.
namespace countedblocks {
// "G", 19 characters: day, month, year (+ 2000), hours, minutes.
[[nodiscard]] std::array<QString, 5> clock(const QString& block);
// "C", 12 characters: timer hours, minutes, seconds as plain numbers.
[[nodiscard]] std::array<QString, 3> timer(const QString& block);
// "E", 5 characters: the pre-heating time; "Q", 5 characters: the logger name.
[[nodiscard]] QString firstFive(const QString& block);
// "H", 3 characters: the channel count.
[[nodiscard]] int channels(const QString& block);
// "N", 20 characters: the next acquisition's day, month, year (+ 2000), hours, minutes.
[[nodiscard]] std::array<QString, 5> nextAcquisition(const QString& block);
// "M", 12 characters: total and free acquisitions.
struct Memory
{
    QString total;
    QString free;
};
[[nodiscard]] Memory memory(const QString& block);
} // namespace countedblocks

} // namespace korvelan
