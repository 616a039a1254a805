#include "windows/chart/ChartRules.h"

#include "link/NumberForms.h"

#include <algorithm>

namespace korvelan::charts {

std::array<Pen, kBoxes> palette()
{
    std::array<Pen, kBoxes> pens{{
        {240, 0, 0, 1, 2},
        {40, 40, 40, 1, 2},
        {0, 0, 240, 1, 2},
        {0, 140, 140, 1, 2},
        {140, 0, 140, 1, 2},
        {140, 140, 0, 1, 2},
        {80, 0, 240, 1, 2},
        {0, 80, 240, 1, 2},
        {200, 80, 50, 6, 3},
        {20, 80, 20, 6, 3},
        {50, 80, 200, 6, 3},
        {80, 120, 120, 6, 3},
        {120, 80, 140, 6, 3},
        {100, 120, 80, 6, 3},
        {30, 50, 200, 6, 3},
        {20, 90, 180, 6, 3},
    }};
    const auto clamp = [](int c) { return std::clamp(c, 0, 255); };
    for (int k = 16; k < kBoxes; ++k) {
        const Pen& base = pens[size_t(k - 16)];
        pens[size_t(k)] = Pen{clamp(base.red - 10), clamp(base.green + 10), clamp(base.blue - 10),
                              k < 24 ? 1 : 6, k < 24 ? 4 : 2};
    }
    return pens;
}

RowWindow rowWindow(int gridRows, int count, int oldestKept)
{
    const int readings = std::max(0, gridRows - 1);
    if (count == 0 || count >= readings) {
        // Rows that are no longer kept cannot be drawn: all means all that is kept.
        if (oldestKept > 0)
            return {oldestKept, gridRows - 1 - oldestKept};
        return {0, readings};
    }
    return {gridRows - 1 - count, count};
}

std::optional<AxisRange> valueAxis(double min, double max)
{
    if (min > max)
        return std::nullopt;
    return AxisRange{min >= 0 ? min * 0.9 : min * 1.1, max >= 0 ? max * 1.1 : max * 0.9};
}

int readingsPerLabel(int readings)
{
    if (readings <= 20)
        return 1;
    return static_cast<int>(std::max<qint64>(1, numbers::roundHalfEven(readings / 20.0)));
}

ChartBuild buildTable(const RowWindow& rows, int columns, int mux0Count, bool delta,
                      const std::array<bool, kBoxes>& ticked, const CellText& grid1,
                      const CellText& grid2)
{
    ChartBuild out;
    out.table.resize(rows.lastRow + 1);
    for (int r = 0; r <= rows.lastRow; ++r) {
        auto& row = out.table[r];
        row.resize(columns);
        const int gridRow = rows.firstGridRow + r;
        for (int c = 0; c < columns; ++c) {
            if (delta && r == 1) {
                row[c] = 0;
            } else {
                row[c] = c <= mux0Count ? grid1(gridRow, c) : grid2(gridRow, c - mux0Count);
            }
            if (r < 1 || c < 1 || c > kBoxes || !ticked[size_t(c - 1)])
                continue;
            double value = 0;
            if (numbers::isNumeric(row[c].toString(), &value)) {
                out.min = std::min(out.min, value);
                out.max = std::max(out.max, value);
            }
        }
    }
    return out;
}

} // namespace korvelan::charts
