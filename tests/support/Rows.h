#pragma once

#include <QTest>
#include <initializer_list>
#include <utility>

namespace korvelan::test {

// A data-driven test's table, one case a line: each row's fields in one struct, fetched with
// QFETCH(Row, row).
template <typename Row> void addRows(std::initializer_list<std::pair<const char*, Row>> rows)
{
    QTest::addColumn<Row>("row");
    for (const auto& [tag, row] : rows)
        QTest::newRow(tag) << row;
}

} // namespace korvelan::test
