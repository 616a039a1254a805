#include "remote/CountedBlocks.h"

#include "link/NumberForms.h"

namespace korvelan {

namespace {

// The two-character parts at 2, 6, 10, 14 and 18: day, month, year after 2000, hours,
// minutes (each the end of a three-character field).
std::array<QString, 5> dateParts(const QString& block)
{
    const auto part = [&](int field) { return block.mid(4 * field + 1, 2); };
    return {part(0), part(1), part(2), part(3), part(4)};
}

} // namespace

namespace countedblocks {

std::array<QString, 5> clock(const QString& block)
{
    auto out = dateParts(block);
    out[2] = numbers::plain(numbers::leadingNumber(block.mid(8, 3)) + 2000);
    return out;
}

std::array<QString, 3> timer(const QString& block)
{
    std::array<QString, 3> out;
    for (int i = 0; i < 3; ++i)
        out[size_t(i)] = numbers::plain(numbers::leadingNumber(block.mid(4 * i, 3)));
    return out;
}

QString firstFive(const QString& block)
{
    return block.left(5);
}

int channels(const QString& block)
{
    return numbers::toInt16(block);
}

std::array<QString, 5> nextAcquisition(const QString& block)
{
    auto out = dateParts(block);
    out[2] = numbers::plain(static_cast<qint64>(numbers::toInt16(out[2])) + 2000);
    return out;
}

Memory memory(const QString& block)
{
    return {block.mid(0, 5), block.mid(6, 5)};
}

} // namespace countedblocks

} // namespace korvelan
