#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace korvelan::layouts {

// A push button with its control name and caption.
QPushButton* button(const QString& name, const QString& caption, QWidget* parent);
// A tab page whose frames stand one below the other, top-aligned.
QWidget* page(const QString& name);
// Adds a frame to a page made by page(), below the frames already there.
void addToPage(QWidget* page, QWidget* frame);

} // namespace korvelan::layouts
