#include "ui/FieldEdit.h"

#include "ui/Layouts.h"

#include <QKeyEvent>
#include <QValidator>

namespace korvelan {

void setBackground(QWidget* field, const QColor& colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Text, Qt::black);
    field->setPalette(palette);
    field->setAutoFillBackground(true);
}

QColor background(const QWidget* field)
{
    return field->palette().color(QPalette::Base);
}

namespace {

// Refuses an edit that makes the text longer than the limit, as a maximum length would; the
// program's own texts (the logger's answers) are never cut, and shortening a longer one is
// always possible. setText() does not ask a validator; an edit is compared with the text last
// shown, which the field keeps as it changes.
class TypingLimit final : public QValidator
{
public:
    TypingLimit(int limit, QLineEdit* field) : QValidator(field), m_limit(limit)
    {
        connect(field, &QLineEdit::textChanged, this,
                [this](const QString& text) { m_shown = text.size(); });
    }
    State validate(QString& input, int&) const override
    {
        return input.size() <= m_limit || input.size() <= m_shown ? Acceptable : Invalid;
    }

private:
    int m_limit;
    qsizetype m_shown = 0;
};

} // namespace

void limitTyping(QLineEdit* field, int limit)
{
    field->setValidator(new TypingLimit(limit, field));
}

FieldEdit::FieldEdit(const QString& name, int maxLength, QWidget* parent)
    : ValueEdit(name, parent), m_typingLimit(maxLength)
{
    if (maxLength > 0) {
        limitTyping(this, maxLength);
        // As wide as what it holds, not as the frame: digits in the short ones, text in the
        // longer ones.
        layouts::fitWidth(this, QString(maxLength, QLatin1Char(maxLength <= 5 ? '0' : 'X')));
    }
    setBackground(this, kDesign);
}

void FieldEdit::showReply(const QString& text, Origin origin, const QColor& inStep)
{
    ValueEdit::showReply(text, origin);
    setBackground(this, isKnown(origin) ? inStep : kNoAnswer);
}

void FieldEdit::keyPressEvent(QKeyEvent* event)
{
    // A key that types something (characters, backspace, enter) marks the field edited;
    // arrows and modifiers alone do not.
    if (!event->text().isEmpty() && !isReadOnly())
        markEdited();
    QLineEdit::keyPressEvent(event);
}

} // namespace korvelan
