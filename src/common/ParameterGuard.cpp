#include "common/ParameterGuard.h"

#include "common/Prompter.h"

namespace korvelan {

bool refuseCommas(Prompter& prompter, const QStringList& values)
{
    for (const QString& v : values) {
        if (v.contains(QLatin1Char(','))) {
            prompter.inform(PromptIcon::Warning, QStringLiteral("Warning"),
                            QStringLiteral("\"%1\" contains a comma (,), which the datalogger "
                                           "would read as the end of the value. Nothing was "
                                           "sent: please correct it.")
                                .arg(v));
            return true;
        }
    }
    return false;
}

} // namespace korvelan
