#include "windows/main/Layouts.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace korvelan::layouts {

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QWidget* page(const QString& name)
{
    auto* p = new QWidget;
    p->setObjectName(name);
    auto* layout = new QVBoxLayout(p);
    layout->addStretch(1);
    return p;
}

void addToPage(QWidget* page, QWidget* frame)
{
    auto* layout = qobject_cast<QVBoxLayout*>(page->layout());
    // Keep the stretch last so the frames stay at the top.
    layout->insertWidget(layout->count() - 1, frame);
}

} // namespace korvelan::layouts
