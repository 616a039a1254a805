#include "ui/SwitchBox.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>

namespace korvelan {

namespace {

// What assistive tools (screen readers, test robots) see of a switch box: a check box whose
// toggle and press actions ask the logger, as a press does, instead of ticking the box.
class SwitchBoxAccessible final : public QAccessibleWidget
{
public:
    explicit SwitchBoxAccessible(SwitchBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = box()->checkState() == Qt::Checked;
        s.checkStateMixed = box()->checkState() == Qt::PartiallyChecked;
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        // Named by its caption, as a check box is, not by the frame it sits in.
        if (t == QAccessible::Name && box()->accessibleName().isEmpty())
            return box()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == toggleAction() || name == pressAction()) {
            if (box()->isEnabled())
                box()->requestToggle();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    [[nodiscard]] SwitchBox* box() const { return static_cast<SwitchBox*>(widget()); }
};

QAccessibleInterface* switchBoxAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String(SwitchBox::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new SwitchBoxAccessible(static_cast<SwitchBox*>(object));
    return nullptr;
}

} // namespace

SwitchBox::SwitchBox(const QString& name, const QString& caption, QWidget* parent)
    : FlagBox(name, caption, parent)
{
    static const bool installed = (QAccessible::installFactory(switchBoxAccessible), true);
    (void)installed;
}

void SwitchBox::requestToggle()
{
    emit switchRequested(checkState() != Qt::Checked);
}

void SwitchBox::mousePressEvent(QMouseEvent* event)
{
    FlagBox::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint()))
        requestToggle();
}

void SwitchBox::keyPressEvent(QKeyEvent* event)
{
    // The space bar would tick the box without telling the logger: it asks, like a press.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        requestToggle();
        event->accept();
        return;
    }
    FlagBox::keyPressEvent(event);
}

} // namespace korvelan
