#include "ui/ValueEdit.h"

namespace korvelan {

ValueEdit::ValueEdit(const QString& name, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(name);
    // The operator's edits (typing, pasting, undo) come as textEdited, just before the
    // textChanged that every change gives.
    connect(this, &QLineEdit::textEdited, this, [this] {
        m_edited = true;
        setOrigin(Origin::Operator);
    });
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (std::exchange(m_edited, false) || m_keeping > 0)
            return;
        setOrigin(Origin::NeverRead);
    });
}

void ValueEdit::setOrigin(Origin origin)
{
    if (m_origin == origin)
        return;
    m_origin = origin;
    emit originChanged(origin);
}

void ValueEdit::showReply(const QString& text, Origin origin)
{
    ++m_keeping;
    setText(text);
    --m_keeping;
    setOrigin(origin);
}

void ValueEdit::reshow(const QString& text)
{
    ++m_keeping;
    setText(text);
    --m_keeping;
}

void ValueEdit::setChosen(const QString& text)
{
    showReply(text, Origin::Operator);
}

} // namespace korvelan
