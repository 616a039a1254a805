#include "common/ParameterGuard.h"

#include "common/Prompter.h"

#include <QDate>

namespace korvelan {

namespace {
const QString kTitle = QStringLiteral("Warning");
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
