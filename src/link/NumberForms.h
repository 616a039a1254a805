#pragma once

#include <QString>
#include <cstdint>

// How numbers travel between the program, the logger and its files.
namespace korvelan::numbers {

// "125", "-3": decimal text without blanks.
QString plain(qint64 value);
// A number as text without blanks: "5", "2.5", "-0.25" (up to 15 significant digits).
QString plain(double value);
// The program's usual number-to-text form: one leading blank for numbers that are not
// negative (" 0", " 125", "-1900"). Fractions drop the leading zero (" .5", "-.25").
QString leadingBlank(qint64 value);
QString leadingBlank(double value);
// Zero-padded to a width: zeroPadded(30, 3) = "030"; a sign goes before the zeros.
QString zeroPadded(qint64 value, int width);

// The leading number of a text: blanks, tabs and line feeds are ignored wherever they stand,
// then an optional sign, digits, one period and an optional exponent are taken; anything
// else ends the number. "", "%%" and text without leading digits give 0.
double leadingNumber(const QString& text);
// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
qint64 roundHalfEven(double value);
// leadingNumber, rounded half to even, held within the 16-bit range the program keeps.
int16_t toInt16(const QString& text);

// Whether a text reads as a number as a whole (surrounding blanks allowed).
bool isNumeric(const QString& text, double* value = nullptr);
// A number shown through a pattern such as "00", "000.0", "00.00", "0.000" or "######0.0##":
// '0' is a digit always shown, '#' a digit shown when needed; halves round away from zero.
// The decimal separator is always ".". Text that is not a number passes unchanged.
QString format(double value, const QString& pattern);
QString format(const QString& text, const QString& pattern);

// Years travel as year - 1900.
constexpr int toWireYear(int year)
{
    return year - 1900;
}
constexpr int fromWireYear(int wireYear)
{
    return wireYear + 1900;
}

} // namespace korvelan::numbers
