#pragma once

#include "link/LinkNotices.h"

#include <QString>
#include <QStringList>

namespace korvelan {

enum class PromptIcon { None, Information, Warning, Critical, Question };
enum class PromptAnswer { Ok, Yes, No, Retry, Cancel };

// Every message box of the program goes through here, so tests can script the answers and
// read the texts back.
class Prompter : public LinkNotices
{
public:
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

    // The link's own notices are message boxes like any other.
    void linkNotice(Kind kind, const QString& title, const QString& text) final
    {
        inform(kind == Kind::Warning ? PromptIcon::Warning : PromptIcon::None, title, text);
    }
};

// A destructive action's question: "Warning", stop icon, Yes and No with No the default.
bool confirmDestructive(Prompter& prompter, const QString& text);

} // namespace korvelan
