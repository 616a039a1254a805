#include "common/Prompter.h"

namespace korvelan {

bool confirmDestructive(Prompter& prompter, const QString& text)
{
    return prompter.askYesNo(PromptIcon::Critical, QStringLiteral("Warning"), text,
                             PromptAnswer::No) == PromptAnswer::Yes;
}

} // namespace korvelan
