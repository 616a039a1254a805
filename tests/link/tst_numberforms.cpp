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
    void roundingGoesToEven_data();
    void roundingGoesToEven();
    void patterns_data();
    void patterns();
    void years();
};

void NumberFormsTest::wireForms_data()
{
    QTest::addColumn<QString>("got");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << numbers::plain(qint64(125)) << "125";
    QTest::newRow("plain negative") << numbers::plain(qint64(-3)) << "-3";
    QTest::newRow("blank zero") << numbers::leadingBlank(qint64(0)) << " 0";
    QTest::newRow("blank positive") << numbers::leadingBlank(qint64(125)) << " 125";
    QTest::newRow("blank negative") << numbers::leadingBlank(qint64(-1900)) << "-1900";
    QTest::newRow("blank whole double") << numbers::leadingBlank(16.0) << " 16";
    QTest::newRow("plain fraction") << numbers::plain(2.5) << "2.5";
    QTest::newRow("plain whole double") << numbers::plain(5.0) << "5";
    QTest::newRow("blank fraction") << numbers::leadingBlank(0.5) << " .5";
    QTest::newRow("blank negative fraction") << numbers::leadingBlank(-2.25) << "-2.25";
    QTest::newRow("padded 3") << numbers::zeroPadded(30, 3) << "030";
    QTest::newRow("padded 5") << numbers::zeroPadded(250, 5) << "00250";
    QTest::newRow("padded wider than width") << numbers::zeroPadded(1234, 3) << "1234";
    QTest::newRow("padded negative") << numbers::zeroPadded(-5, 3) << "-005";
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
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("marker") << "%%" << 0.0;
    QTest::newRow("letters") << "abc12" << 0.0;
    QTest::newRow("plain") << "42" << 42.0;
    QTest::newRow("leading blanks") << "   7" << 7.0;
    QTest::newRow("blanks inside") << " 1 2\t3" << 123.0;
    QTest::newRow("line feed inside") << "\n12\n.5" << 12.5;
    QTest::newRow("carriage return ends") << "12\r34" << 12.0;
    QTest::newRow("sign") << "-4.25" << -4.25;
    QTest::newRow("plus sign") << "+3" << 3.0;
    QTest::newRow("one period only") << "1.2.3" << 1.2;
    QTest::newRow("exponent") << "2.5E3xyz" << 2500.0;
    QTest::newRow("negative exponent") << "5e-2" << 0.05;
    QTest::newRow("bare exponent letter") << "7e" << 7.0;
    QTest::newRow("trailing text") << "3.3V" << 3.3;
    QTest::newRow("period first") << ".75" << 0.75;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("huge exponent") << "1e999" << 0.0;
}

void NumberFormsTest::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(numbers::leadingNumber(text), value);
}

void NumberFormsTest::roundingGoesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("rounded");
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("0.5") << 0.5 << qint64(0);
    QTest::newRow("1.5") << 1.5 << qint64(2);
    QTest::newRow("2.51") << 2.51 << qint64(3);
    QTest::newRow("-0.4") << -0.4 << qint64(0);
}

void NumberFormsTest::roundingGoesToEven()
{
    QFETCH(double, value);
    QFETCH(qint64, rounded);
    QCOMPARE(numbers::roundHalfEven(value), rounded);
}

void NumberFormsTest::patterns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two digits") << "5"
                                << "00"
                                << "05";
    QTest::newRow("three digits") << "7"
                                  << "000"
                                  << "007";
    QTest::newRow("three digits, more given") << "1234"
                                              << "000"
                                              << "1234";
    QTest::newRow("five digits") << "250"
                                 << "00000"
                                 << "00250";
    QTest::newRow("volts") << "4.987"
                           << "00.00"
                           << "04.99";
    QTest::newRow("volts with blank") << " 12.3"
                                      << "00.00"
                                      << "12.30";
    QTest::newRow("half rounds away from zero") << "2.125"
                                                << "00.00"
                                                << "02.13";
    QTest::newRow("decimal rounding, not binary") << "1.005"
                                                  << "0.00"
                                                  << "1.01";
    QTest::newRow("carry into integer part") << "9.9996"
                                             << "0.000"
                                             << "10.000";
    QTest::newRow("optional decimals trimmed") << "2874.5"
                                               << "######0.0##"
                                               << "2874.5";
    QTest::newRow("optional decimals kept") << "0.12345"
                                            << "######0.0##"
                                            << "0.123";
    QTest::newRow("required decimal kept") << "3"
                                           << "######0.0##"
                                           << "3.0";
    QTest::newRow("temperature") << "-3.46"
                                 << "000.0"
                                 << "-003.5";
    QTest::newRow("negative rounding to zero") << "-0.001"
                                               << "0.00"
                                               << "0.00";
    QTest::newRow("integer rounds half up") << "2.5"
                                            << "00"
                                            << "03";
    QTest::newRow("marker passes") << "%%"
                                   << "00.00"
                                   << "%%";
    QTest::newRow("text passes") << "abc"
                                 << "000"
                                 << "abc";
    QTest::newRow("empty passes") << ""
                                  << "00.00"
                                  << "";
    QTest::newRow("comma is not a decimal separator") << "1,5"
                                                      << "0.0"
                                                      << "1,5";
    QTest::newRow("tiny") << "0.0000001"
                          << "0.000"
                          << "0.000";
    QTest::newRow("large") << "123456789"
                           << "00.00"
                           << "123456789.00";
}

void NumberFormsTest::patterns()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(QString, shown);
    QCOMPARE(numbers::format(text, pattern), shown);
}

void NumberFormsTest::years()
{
    QCOMPARE(numbers::toWireYear(2025), 125);
    QCOMPARE(numbers::toWireYear(0), -1900);
    QCOMPARE(numbers::fromWireYear(125), 2025);
    QCOMPARE(numbers::leadingBlank(qint64(numbers::toWireYear(2025))), QStringLiteral(" 125"));
    QCOMPARE(numbers::toInt16(QStringLiteral("99999")), int16_t(32767));
    QCOMPARE(numbers::toInt16(QStringLiteral(" 2.5")), int16_t(2));
}

QTEST_GUILESS_MAIN(NumberFormsTest)
#include "tst_numberforms.moc"
