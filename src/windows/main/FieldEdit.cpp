#include "windows/main/FieldEdit.h"

#include <QKeyEvent>

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

FieldEdit::FieldEdit(const QString& name, int maxLength, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(name);
    if (maxLength > 0) {
        setMaxLength(maxLength);
        // Short numeric fields are as wide as what they hold, not as the frame.
        if (maxLength <= 5)
            setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * (maxLength + 3) + 8);
    }
    setBackground(this, kDesign);
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
