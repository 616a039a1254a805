#pragma once

#include <QList>
#include <QStringList>

namespace korvelan {

class Prompter;

// A value the logger takes as a whole number, with the name the operator knows it by.
struct NumberField
{
    QString name;
    QString text;
};
// Digits only, surrounding blanks aside: what the logger reads as a whole number.
[[nodiscard]] bool isWholeNumber(const QString& text);
// Returns true (and names the field to the operator) when a field does not hold a whole
// number: the logger would take letters or an empty field as 0, or shift the fields after it.
bool refuseNonNumbers(Prompter& prompter, const QList<NumberField>& fields);
// Returns true (and tells the operator) when day, month and year (whole numbers already) do
// not make a date that exists, or the year has not four digits.
bool refuseImpossibleDate(Prompter& prompter, const QString& day, const QString& month,
                          const QString& year);

} // namespace korvelan
