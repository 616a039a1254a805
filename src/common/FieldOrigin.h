#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace korvelan {

// Where the value a field of the program holds came from. Only what the logger gave or the
// operator typed is ever written to the logger.
enum class Origin {
    NeverRead, // nothing has filled it: never read, or the program put the text there itself
    NoAnswer,  // its read got no answer (the link's time-out marker)
    Garbled,   // its read got something that is no value of this field
    Partial,   // it holds part of the logger's value only (a counted read's first characters)
    Logger,    // the logger's answer
    Operator,  // typed, ticked or chosen by the operator
};

[[nodiscard]] constexpr bool isKnown(Origin origin)
{
    return origin == Origin::Logger || origin == Origin::Operator;
}

// What a reply field makes of the field it fills.
namespace replies {
// Text: the time-out marker is no answer; a control character other than a tab or a line end
// is line noise (no value the logger holds has one), so garbled; anything else is the
// logger's.
[[nodiscard]] Origin text(const QString& field);
// A number: as text, and garbled when it does not read as a number as a whole.
[[nodiscard]] Origin number(const QString& field);
// A whole number from `lowest` to `highest` (a channel count), garbled otherwise.
[[nodiscard]] Origin wholeNumber(const QString& field, int lowest, int highest);

struct Flag
{
    Origin origin = Origin::NeverRead;
    bool on = false;
};
// A switch the logger answers as 0 or 1 ("01" and blanks around it too); anything else is
// garbled.
[[nodiscard]] Flag flag(const QString& field);
// A whole number, true when not 0 (the vibrating-wire flag).
[[nodiscard]] Flag nonZero(const QString& field);
} // namespace replies

// The fields' names as one list, for a message: numbered ones in a run collapse ("SMS number
// 1" .. "SMS number 10" give "SMS numbers 1–10"), and a run's fields with the same numbers go
// together ("Channels 2–5 (name, zero volt)").
[[nodiscard]] QString fieldList(const QStringList& names);

struct UnknownField
{
    QString name;
    Origin origin;
};
// Why a write sends nothing: which fields the logger did not give and why, then `whatToDo`
// ("read the SMS settings first").
[[nodiscard]] QString unknownFieldsText(const QString& whatToDo, const QList<UnknownField>& fields);
// Why a value that holds a comma is not sent.
[[nodiscard]] QString commaText(const QString& value, const QString& field);

} // namespace korvelan
