#include "ui/WriteRecord.h"

#include "common/FieldOrigin.h"
#include "common/Prompter.h"
#include "link/Transport.h"
#include "ui/FlagBox.h"
#include "ui/ValueEdit.h"

#include <QAccessible>

namespace korvelan {

namespace {

const QString kTitle = QStringLiteral("Warning");

// The name the operator knows a control by: the one a screen reader says (its own name, its
// caption's text, or a check box's text).
QString spokenName(const QWidget* control)
{
    if (auto* a = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control))) {
        const QString name = a->text(QAccessible::Name).trimmed();
        if (!name.isEmpty())
            return name;
    }
    return control->objectName();
}

QString flagText(bool on, FlagForm form)
{
    const QString digit = on ? QStringLiteral("1") : QStringLiteral("0");
    return form == FlagForm::LeadingBlank ? QLatin1Char(' ') + digit : digit;
}

} // namespace

void send(Transport& transport, const WriteCommand& command)
{
    transport.Invia_Comando(command.head, command.parameters);
}

WriteRecord::WriteRecord(Prompter& prompter, QString whatToDo)
    : m_prompter(prompter), m_whatToDo(std::move(whatToDo))
{}

WriteRecord& WriteRecord::command(const QString& head)
{
    Part& p = m_parts.emplace_back();
    p.starts = true;
    p.text = head;
    return *this;
}

WriteRecord& WriteRecord::commandFrom(const ValueEdit* box)
{
    Part& p = m_parts.emplace_back();
    p.starts = true;
    p.box = box;
    return *this;
}

WriteRecord& WriteRecord::fixed(const QString& text)
{
    m_parts.emplace_back().text = text;
    return *this;
}

WriteRecord& WriteRecord::field(const ValueEdit* box)
{
    return field(box, [](const QString& text) { return text.trimmed(); });
}

WriteRecord& WriteRecord::field(const ValueEdit* box, Form form)
{
    Part& p = m_parts.emplace_back();
    p.box = box;
    p.form = std::move(form);
    return *this;
}

WriteRecord& WriteRecord::flag(const FlagBox* box, FlagForm form, std::optional<bool> wanted)
{
    Part& p = m_parts.emplace_back();
    p.flagBox = box;
    p.flagForm = form;
    p.wanted = wanted;
    return *this;
}

std::optional<QList<WriteCommand>> WriteRecord::take() const
{
    // Every field known: the logger's or the operator's.
    QList<UnknownField> unknown;
    for (const Part& p : m_parts) {
        const QWidget* control = p.box ? static_cast<const QWidget*>(p.box) : p.flagBox;
        const Origin origin = p.box       ? p.box->origin()
                              : p.flagBox ? p.flagBox->origin()
                                          : Origin::Logger;
        if (control && !isKnown(origin))
            unknown.append({spokenName(control), origin});
    }
    if (!unknown.isEmpty()) {
        m_prompter.inform(PromptIcon::Warning, kTitle, unknownFieldsText(m_whatToDo, unknown));
        return std::nullopt;
    }

    QList<WriteCommand> commands;
    for (const Part& p : m_parts) {
        QString value;
        if (p.box)
            value = p.form ? p.form(p.box->text()) : p.box->text();
        else if (p.flagBox)
            value = flagText(p.wanted.value_or(p.flagBox->value().value_or(false)), p.flagForm);
        const QWidget* control = p.box ? static_cast<const QWidget*>(p.box) : p.flagBox;
        // A comma would end the value early and shift every field after it.
        if (control && value.contains(QLatin1Char(','))) {
            m_prompter.inform(PromptIcon::Warning, kTitle, commaText(value, spokenName(control)));
            return std::nullopt;
        }
        if (p.starts)
            commands.append({p.box ? value : p.text, QString()});
        else if (commands.isEmpty())
            commands.append({QString(), QString()});
        if (!p.starts)
            commands.last().parameters += control ? value + QLatin1Char(',') : p.text;
    }
    return commands;
}

} // namespace korvelan
