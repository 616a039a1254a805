#include "ui/Layouts.h"

#include "ui/FieldEdit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

QHBoxLayout* row(std::initializer_list<QWidget*> widgets)
{
    auto* layout = new QHBoxLayout;
    for (auto* w : widgets)
        layout->addWidget(w);
    layout->addStretch(1);
    return layout;
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

QLabel* caption(const QString& text, QWidget* field)
{
    auto* label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    return label;
}

void fitWidth(QLineEdit* field, const QString& widest)
{
    // The text, the line edit's own margins and frame (8 pixels), and room for the cursor.
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(widest) + 12);
}

std::array<FieldEdit*, 5> dateFields(const QString& name, const QString& spoken, QGridLayout* grid,
                                     int row, QWidget* parent)
{
    static const char* const captions[] = {"Day", "Month", "Year", "Hours", "Minutes"};
    static const int lengths[] = {3, 3, 4, 3, 3};
    std::array<FieldEdit*, 5> fields{};
    for (int i = 0; i < 5; ++i) {
        auto* field = new FieldEdit(name + QString::number(i), lengths[i], parent);
        const QString text = QString::fromLatin1(captions[i]);
        field->setAccessibleName(spoken + QLatin1Char(' ') + text.toLower());
        grid->addWidget(caption(text, field), row, i);
        grid->addWidget(field, row + 1, i);
        fields[size_t(i)] = field;
    }
    return fields;
}

} // namespace korvelan::layouts
