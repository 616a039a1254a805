#pragma once

#include <QString>
#include <QStringList>

namespace korvelan {

enum class PromptIcon { None, Information, Warning, Critical, Question };
enum class PromptAnswer { Ok, Yes, No, Retry, Cancel };

// Every message box of the program goes through here, so tests can script the answers and
// read the texts back.
class Prompter
{
public:
    virtual ~Prompter() = default;
    virtual void inform(PromptIcon icon, const QString& title, const QString& text) = 0;
    virtual PromptAnswer askYesNo(PromptIcon icon, const QString& title, const QString& text,
                                  PromptAnswer defaultAnswer) = 0;
    virtual PromptAnswer askRetryCancel(PromptIcon icon, const QString& title,
                                        const QString& text) = 0;
    // A question with answers of its own ("Replace", "Keep both", "Cancel"): returns the
    // index of the answer chosen. `defaultIndex` is the answer Enter gives; closing the box
    // (Esc) gives `escapeIndex`.
    virtual int askChoice(PromptIcon icon, const QString& title, const QString& text,
                          const QStringList& answers, int defaultIndex, int escapeIndex) = 0;
    virtual void beep() = 0;
};

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

// A destructive action's question: "Warning", stop icon, Yes and No with No the default.
bool confirmDestructive(Prompter& prompter, const QString& text);

} // namespace korvelan
