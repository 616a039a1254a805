// Dates typed for a range download, and the data file's name and folder.
#include "download/DataFileName.h"
#include "download/DownloadRange.h"

#include <QTest>

using namespace korvelan;

class DownloadRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void datesAreReadDayFirst_data();
    void datesAreReadDayFirst();
    void rangeChecksInOrder_data();
    void rangeChecksInOrder();
    void dataFilePath_data();
    void dataFilePath();
};

void DownloadRulesTest::datesAreReadDayFirst_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: not a date
    QTest::newRow("day first") << "05/12/2026" << QDate(2026, 12, 5);
    QTest::newRow("day over 12, no leading zero") << "31/1/2025" << QDate(2025, 1, 31);
    QTest::newRow("month over 12") << "01/13/2025" << QDate();
    QTest::newRow("dots, two-digit year") << "1.2.25" << QDate(2025, 2, 1);
    QTest::newRow("two-digit year of the last century") << "1-2-95" << QDate(1995, 2, 1);
    QTest::newRow("blanks around") << "  5/12/2026 " << QDate(2026, 12, 5);
    QTest::newRow("mixed separators") << "5/12-2026" << QDate();
    QTest::newRow("30 February") << "30/02/2024" << QDate();
    QTest::newRow("year first") << "2026/12/05" << QDate();
    QTest::newRow("before the logger's years") << "31/12/1899" << QDate();
    QTest::newRow("three-digit year") << "5/12/202" << QDate();
}

void DownloadRulesTest::datesAreReadDayFirst()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseRangeDate(text).value_or(QDate()), date);
}

void DownloadRulesTest::rangeChecksInOrder_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message"); // empty: the range passes
    // clang-format off
    QTest::newRow("no start") << "   " << "" << "Insert starting date for data";
    QTest::newRow("bad start, no end") << "32/01/2025" << "" << "Insert a valid starting date for data";
    QTest::newRow("no end") << "01/01/2025" << " " << "Insert last date for data";
    QTest::newRow("bad end") << "01/01/2025" << "1/1" << "Insert a valid last date for data";
    QTest::newRow("reversed") << "02/01/2025" << "01/01/2025" << "Starting date can not be after last date for data";
    // As text "31/01/2025" > "01/02/2025"; as dates they are in order.
    QTest::newRow("compared as dates") << "31/01/2025" << "01/02/2025" << "";
    // clang-format on
}

void DownloadRulesTest::rangeChecksInOrder()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    const auto check = checkDownloadRange(from, to);
    QCOMPARE(check.message, message);
    QCOMPARE(check.range.has_value(), message.isEmpty());
}

void DownloadRulesTest::dataFilePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("logger");
    QTest::addColumn<QString>("path");
    // clang-format off
    QTest::newRow("plain, blanks stay") << "/" << "DAM 3 " << "/DAM 3 _05_12_26_SENS.txt";
    QTest::newRow("one dot stays") << "/data/" << "A.B" << "/data/A.B_05_12_26_SENS.txt";
    QTest::newRow("separators") << "/d" << "../../etc/x" << "/d/______etc_x_05_12_26_SENS.txt";
    QTest::newRow("windows separators and drive") << "/d" << "C:\\a" << "/d/C__a_05_12_26_SENS.txt";
    QTest::newRow("characters no file takes") << "/d" << QStringLiteral("a*b?c\"d<e>f|g\t\x7f")
                                              << "/d/a_b_c_d_e_f_g___05_12_26_SENS.txt";
    QTest::newRow("hidden") << "/d" << ".x" << "/d/_x_05_12_26_SENS.txt";
    // clang-format on
}

void DownloadRulesTest::dataFilePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, logger);
    QFETCH(QString, path);
    QCOMPARE(korvelan::dataFilePath(folder, dataFileName(logger, QDate(2026, 12, 5))), path);
}

QTEST_GUILESS_MAIN(DownloadRulesTest)
#include "tst_downloadrules.moc"
