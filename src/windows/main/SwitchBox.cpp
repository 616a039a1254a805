#include "windows/main/SwitchBox.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace korvelan {

SwitchBox::SwitchBox(const QString& name, const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
    setObjectName(name);
}

void SwitchBox::mousePressEvent(QMouseEvent* event)
{
    QCheckBox::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint()))
        emit switchRequested(!isChecked());
}

void SwitchBox::keyPressEvent(QKeyEvent* event)
{
    // The space bar would tick the box without telling the logger: it asks, like a press.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        emit switchRequested(!isChecked());
        event->accept();
        return;
    }
    QCheckBox::keyPressEvent(event);
}

} // namespace korvelan
