#pragma once

#include "common/Prompter.h"

namespace korvelan {

// The real message boxes. Application-modal, so no click reaches another window meanwhile.
class MessageBoxPrompter final : public Prompter
{
public:
    void inform(PromptIcon icon, const QString& title, const QString& text) override;
    PromptAnswer askYesNo(PromptIcon icon, const QString& title, const QString& text,
                          PromptAnswer defaultAnswer) override;
    PromptAnswer askRetryCancel(PromptIcon icon, const QString& title,
                                const QString& text) override;
    int askChoice(PromptIcon icon, const QString& title, const QString& text,
                  const QStringList& answers, int defaultIndex, int escapeIndex) override;
    void beep() override;
};

} // namespace korvelan
