#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <array>
#include <functional>
#include <optional>

// How a chart is made from the measurement grids: which rows, the value axis, the pens.
namespace korvelan::charts {

inline constexpr int kBoxes = 32;

// One pen of the palette. Style 1 is a solid line, style 6 a finely dotted one.
struct Pen
{
    int red = 0;
    int green = 0;
    int blue = 0;
    int style = 1;
    int width = 1;
    bool operator==(const Pen&) const = default;
};
// The 32 pens, colours brought into 0..255.
[[nodiscard]] std::array<Pen, kBoxes> palette();

// The grid rows a chart covers: table row r (0..lastRow) is grid row firstGridRow + r. Row 0
// names the rows below it; rows 1..lastRow are the readings drawn.
struct RowWindow
{
    int firstGridRow = 0;
    int lastRow = 0; // N
    bool operator==(const RowWindow&) const = default;
};
// `gridRows` rows (header included); the latest `count` readings, or all when count is 0 or
// there are no more. `oldestKept` is the first row from which every row is still kept.
[[nodiscard]] RowWindow rowWindow(int gridRows, int count, int oldestKept = 0);

// The value axis for the ticked values from `min` to `max`: a tenth more room on each side
// (towards zero for the near side); nothing when there was no value (min > max).
struct AxisRange
{
    double minimum = 0;
    double maximum = 0;
    bool operator==(const AxisRange&) const = default;
};
[[nodiscard]] std::optional<AxisRange> valueAxis(double min, double max);

// How many readings each label of the time axis stands for: one up to 20 readings, then
// N / 20 rounded half to even.
[[nodiscard]] int readingsPerLabel(int readings);

using ChartTable = QVector<QVector<QVariant>>;
using CellText = std::function<QString(int gridRow, int column)>;

struct ChartBuild
{
    ChartTable table;
    double min = 10000;
    double max = -10000;
};
// The chart table: `columns` columns (date, then the channels of multiplexer 0 from grid 1,
// then those of multiplexer 1 from grid 2). In delta mode row 1 is all zeros: the first
// reading is its own reference. min and max are taken over the ticked numeric values.
[[nodiscard]] ChartBuild buildTable(const RowWindow& rows, int columns, int mux0Count, bool delta,
                                    const std::array<bool, kBoxes>& ticked, const CellText& grid1,
                                    const CellText& grid2);

} // namespace korvelan::charts
