// The number forms of the wire and the files, and the patterns the windows show numbers in.
#include "link/NumberForms.h"

#include <QTest>

using namespace korvelan;

class NumberFormsTest : public QObject
{
    Q_OBJECT
private slots:
    void wireForms_data();
    void wireForms();
    void leadingNumber_data();
    void leadingNumber();
    void roundingGoesToEven();
    void patterns_data();
    void patterns();
};

void NumberFormsTest::wireForms_data()
{
    QTest::addColumn<QString>("got");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain negative") << numbers::plain(qint64(-3)) << "-3";
    QTest::newRow("blank zero") << numbers::leadingBlank(qint64(0)) << " 0";
    QTest::newRow("blank negative") << numbers::leadingBlank(qint64(-1900)) << "-1900";
    QTest::newRow("blank whole double") << numbers::leadingBlank(16.0) << " 16";
    QTest::newRow("plain fraction") << numbers::plain(2.5) << "2.5";
    QTest::newRow("plain whole double") << numbers::plain(5.0) << "5";
    QTest::newRow("blank fraction") << numbers::leadingBlank(0.5) << " .5";
    QTest::newRow("blank negative fraction") << numbers::leadingBlank(-2.25) << "-2.25";
    QTest::newRow("padded wider than width") << numbers::zeroPadded(1234, 3) << "1234";
    QTest::newRow("padded negative") << numbers::zeroPadded(-5, 3) << "-005";
    QTest::newRow("year") << numbers::leadingBlank(qint64(numbers::toWireYear(2025))) << " 125";
    QTest::newRow("year back") << QString::number(numbers::fromWireYear(99)) << "1999";
    QTest::newRow("short overflow") << QString::number(numbers::toInt16("99999")) << "32767";
    QTest::newRow("short of a fraction") << QString::number(numbers::toInt16(" 2.5")) << "2";
}

void NumberFormsTest::wireForms()
{
    QFETCH(QString, got);
    QFETCH(QString, expected);
    QCOMPARE(got, expected);
}

void NumberFormsTest::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    const struct
    {
        const char* text;
        double value;
    } rows[] = {{"", 0},          {"%%", 0},          {"abc12", 0},       {"   7", 7},
                {" 1 2\t3", 123}, {"\n12\n.5", 12.5}, {"12\r34", 12},     {"-4.25", -4.25},
                {"+3", 3},        {"1.2.3", 1.2},     {"2.5E3xyz", 2500}, {"5e-2", 0.05},
                {"7e", 7},        {"3.3V", 3.3},      {".75", 0.75},      {"-", 0},
                {"1e999", 0}};
    for (const auto& r : rows)
        QTest::newRow(r.text) << QString::fromLatin1(r.text) << r.value;
}

void NumberFormsTest::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(numbers::leadingNumber(text), value);
}

void NumberFormsTest::roundingGoesToEven()
{
    const std::pair<double, qint64> cases[] = {{2.5, 2}, {3.5, 4},  {-2.5, -2},
                                               {0.5, 0}, {2.51, 3}, {-0.4, 0}};
    for (const auto& [value, rounded] : cases)
        QCOMPARE(numbers::roundHalfEven(value), rounded);
}

void NumberFormsTest::patterns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("shown");
    const struct
    {
        const char* tag;
        const char* text;
        const char* pattern;
        const char* shown;
    } rows[] = {
        {"two digits", "5", "00", "05"},
        {"more digits than the pattern", "1234", "000", "1234"},
        {"volts", "4.987", "00.00", "04.99"},
        {"half rounds away from zero", "2.125", "00.00", "02.13"},
        {"decimal rounding, not binary", "1.005", "0.00", "1.01"},
        {"carry into integer part", "9.9996", "0.000", "10.000"},
        {"optional decimals trimmed", "2874.5", "######0.0##", "2874.5"},
        {"optional decimals kept", "0.12345", "######0.0##", "0.123"},
        {"required decimal kept", "3", "######0.0##", "3.0"},
        {"temperature", "-3.46", "000.0", "-003.5"},
        {"negative rounding to zero", "-0.001", "0.00", "0.00"},
        {"integer rounds half up", "2.5", "00", "03"},
        {"marker passes", "%%", "00.00", "%%"},
        {"empty passes", "", "00.00", ""},
        {"comma is not a decimal separator", "1,5", "0.0", "1,5"},
        {"large", "123456789", "00.00", "123456789.00"},
    };
    for (const auto& r : rows)
        // clang-format off
        QTest::newRow(r.tag) << QString::fromLatin1(r.text) << QString::fromLatin1(r.pattern) << QString::fromLatin1(r.shown);
    // clang-format on
}

void NumberFormsTest::patterns()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(QString, shown);
    QCOMPARE(numbers::format(text, pattern), shown);
}

QTEST_GUILESS_MAIN(NumberFormsTest)
#include "tst_numberforms.moc"
