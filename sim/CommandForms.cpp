#include "sim/CommandForms.h"

#include <QRegularExpression>
#include <initializer_list>
#include <vector>

namespace korvelan::sim {

namespace {

enum class Field {
    Empty, // the lone comma of a read: "G,"
    Plain, // digits: "0", "05", "126"
    Blank, // the program's usual number form: " 0", " 125", "-1900"
    PlainOrBlank,
    Flag,    // "0" or "1"
    AnyFlag, // "0", "1", " 0" or " 1"
    Zero3,   // "030"
    Zero5,   // "00250"
    Text,    // anything but a comma
};

struct Form
{
    std::vector<Field> fields;
    // Fixed texts some fields must have, by position ("" where any of the kind will do).
    std::vector<const char*> fixed = {};
};

bool matches(Field kind, const QByteArray& f)
{
    static const QRegularExpression plain(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression blank(QStringLiteral("^( [0-9]+|-[0-9]+)$"));
    const QString s = QString::fromLatin1(f);
    switch (kind) {
    case Field::Empty:
        return f.isEmpty();
    case Field::Plain:
        return plain.match(s).hasMatch();
    case Field::Blank:
        return blank.match(s).hasMatch();
    case Field::PlainOrBlank:
        return plain.match(s).hasMatch() || blank.match(s).hasMatch();
    case Field::Flag:
        return f == "0" || f == "1";
    case Field::AnyFlag:
        return f == "0" || f == "1" || f == " 0" || f == " 1";
    case Field::Zero3:
        return f.size() == 3 && plain.match(s).hasMatch();
    case Field::Zero5:
        return f.size() == 5 && plain.match(s).hasMatch();
    case Field::Text:
        return true;
    }
    return false;
}

bool fits(const Form& form, const Command& c)
{
    if (std::size(form.fields) != size_t(c.fields.size()))
        return false;
    for (size_t i = 0; i < form.fields.size(); ++i) {
        const QByteArray& f = c.fields[qsizetype(i)];
        if (!matches(form.fields[i], f))
            return false;
        if (i < form.fixed.size() && *form.fixed[i] && f != form.fixed[i])
            return false;
    }
    return true;
}

std::vector<Form> repeated(Field kind, int n)
{
    return {Form{std::vector<Field>(size_t(n), kind)}};
}

// The parameter forms of each letter; a letter that may also come alone says so apart.
struct Forms
{
    bool bare = false;
    std::vector<Form> forms;
};

Forms formsOf(char letter)
{
    using F = Field;
    const Form read{{F::Empty}};
    switch (letter) {
    case 'V':
    case 'F':
    case 'I':
    case 'K':
    case 'N':
    case 'O':
    case 'Q':
    case 'T':
    case 'W':
    case 'X':
    case 'z':
        return {true, {}};
    case 'D':
    case 'Y':
        return {false, {read}};
    case 'b': // erase: alone, or with a lone comma before the channel counts are written
    case 'C':
    case 'E':
    case 'G':
    case 'M':
    case 'U':
        return {true, {read}};
    case 'A':
        return {false,
                {Form{{F::Plain}, {"0"}}, Form{{F::Plain}, {"1"}},
                 Form{{F::Plain, F::Plain, F::Plain, F::Plain, F::Plain, F::Plain, F::Plain},
                      {"2", "", "", "", "0", "0", "0"}},
                 Form{{F::Plain, F::Plain, F::Plain, F::Plain, F::Plain, F::Plain, F::Plain},
                      {"3", "", "", "", "23", "59", "59"}}}};
    case 'c':
        return {false, repeated(F::Zero3, 3)};
    case 'd':
        return {false, {Form{std::vector<Field>(5, F::Plain), {"0", "0", "0", "0", "0"}}}};
    case 'e':
        return {false, {Form{{F::Zero5}}}};
    case 'f':
        return {false, {Form{{F::Text, F::AnyFlag}}}};
    case 'g':
        return {false, {Form{{F::Plain, F::Plain, F::Blank, F::Plain, F::Plain}}}};
    case 'y': // "Acquire Now" writes its fixed year 100 without the blank
        return {false, {Form{{F::Plain, F::Plain, F::PlainOrBlank, F::Plain, F::Plain}}}};
    case 'H':
        return {true, {Form{{F::PlainOrBlank}}}};
    case 'h':
        return {false, {Form{{F::Plain, F::Blank}}}};
    case 'i': {
        std::vector<Field> fields(11, F::Text);
        fields.push_back(F::AnyFlag);
        fields.push_back(F::AnyFlag);
        return {false, {Form{fields}}};
    }
    case 'J':
    case ')':
    case '/':
    case 'R':
    case 'p':
    case 't':
        return {false, {Form{{F::Blank}}}};
    case ']': // alone: the alarm filter; with a channel: its vibrating-wire flag
        return {true, {Form{{F::Blank}}}};
    case '[': // a channel's flag, or the filter's repetitions and threshold
        return {false, {Form{{F::Blank, F::Flag}}, Form{{F::Plain, F::Plain}}}};
    case 'j':
        return {false, {Form{{F::Blank, F::Text, F::Text, F::Text}}}};
    case '(':
        return {false, {Form{{F::Blank, F::Text, F::Text}}}};
    case 'k':
    case 'x':
        return {false, repeated(F::Text, 10)};
    case 'o':
    case 'u':
        return {false, {Form{{F::Flag}}}};
    case 'P':
        return {false, {Form{{F::Plain, F::Plain}}}};
    case 'q':
        return {false, {Form{{F::Text}}}};
    case 'r':
        return {false, {Form{{F::Blank, F::Text, F::Text, F::Text, F::Text, F::Text}}}};
    case '<': // alone: the pulse value; with fields: the simultaneous-alarm rule
        return {true, {Form{{F::Plain, F::Plain, F::Flag, F::Plain}}}};
    case '>': // alone: the simultaneous-alarm rule; with a field: the pulse value
        return {true, {Form{{F::Text}}}};
    default:
        return {};
    }
}

} // namespace

std::optional<CommandShape> shapeOf(char letter)
{
    // The reader's view of the same table: whether the letter alone is a command, and how
    // many fields its parameter form has ("A" alone has forms of different lengths).
    const Forms forms = formsOf(letter);
    if (!forms.bare && forms.forms.empty())
        return std::nullopt;
    if (forms.forms.empty())
        return CommandShape{true, 0};
    const size_t fields = forms.forms.front().fields.size();
    for (const Form& form : forms.forms) {
        if (form.fields.size() != fields)
            return CommandShape{forms.bare, kByFirstField};
    }
    return CommandShape{forms.bare, int(fields)};
}

QString wireText(const Command& command)
{
    QString text(QLatin1Char(command.letter));
    for (const auto& f : command.fields)
        text += QString::fromLatin1(f) + QLatin1Char(',');
    return text;
}

std::optional<QString> formError(const Command& command)
{
    const Forms forms = formsOf(command.letter);
    if (command.bare) {
        if (forms.bare)
            return std::nullopt;
        return QStringLiteral("\"%1\" needs its parameters").arg(wireText(command));
    }
    for (const Form& form : forms.forms) {
        if (fits(form, command))
            return std::nullopt;
    }
    return QStringLiteral("\"%1\" is not in a form the logger takes").arg(wireText(command));
}

} // namespace korvelan::sim
