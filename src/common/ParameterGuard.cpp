#include "common/ParameterGuard.h"

#include "common/Prompter.h"

#include <QDate>

namespace korvelan {

namespace {
const QString kTitle = QStringLiteral("Warning");
}

bool refuseCommas(Prompter& prompter, const QStringList& values)
{
    for (const QString& v : values) {
        if (v.contains(QLatin1Char(','))) {
            prompter.inform(PromptIcon::Warning, kTitle,
                            QStringLiteral("\"%1\" contains a comma (,), which the datalogger "
                                           "would read as the end of the value. Nothing was "
                                           "sent: please correct it.")
                                .arg(v));
            return true;
        }
    }
    return false;
}

bool refuseUnanswered(Prompter& prompter, const QStringList& values)
{
    for (const QString& v : values) {
        if (v.trimmed() == QLatin1String("%%")) {
            prompter.inform(PromptIcon::Warning, kTitle,
                            QStringLiteral("A field shows %% (the datalogger did not answer "
                                           "when it was read). Nothing was sent: read the "
                                           "values again or correct them."));
            return true;
        }
    }
    return false;
}

bool isWholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() &&
           std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool refuseNonNumbers(Prompter& prompter, const QList<NumberField>& fields)
{
    for (const auto& f : fields) {
        if (!isWholeNumber(f.text)) {
            prompter.inform(PromptIcon::Warning, kTitle,
                            QStringLiteral("%1 must be a whole number (digits only); it holds "
                                           "\"%2\". Nothing was sent: please correct it.")
                                .arg(f.name, f.text));
            return true;
        }
    }
    return false;
}

bool refuseImpossibleDate(Prompter& prompter, const QString& day, const QString& month,
                          const QString& year)
{
    if (year.trimmed().size() != 4) {
        prompter.inform(PromptIcon::Warning, kTitle,
                        QStringLiteral("The year must have four digits (for example 2026); it "
                                       "holds \"%1\". Nothing was sent: please correct it.")
                            .arg(year));
        return true;
    }
    if (!QDate(year.toInt(), month.toInt(), day.toInt()).isValid()) {
        prompter.inform(PromptIcon::Warning, kTitle,
                        QStringLiteral("The date %1/%2/%3 does not exist. Nothing was sent: "
                                       "please correct it.")
                            .arg(day.trimmed(), month.trimmed(), year.trimmed()));
        return true;
    }
    return false;
}

} // namespace korvelan
