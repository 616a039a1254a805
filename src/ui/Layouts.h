#pragma once

#include <QString>
#include <array>
#include <initializer_list>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvelan {
class FieldEdit;
}

namespace korvelan::layouts {

// A push button with its control name and caption.
QPushButton* button(const QString& name, const QString& caption, QWidget* parent);
// Controls side by side at the left of their frame.
QHBoxLayout* row(std::initializer_list<QWidget*> widgets);
// A tab page whose frames stand one below the other, top-aligned.
QWidget* page(const QString& name);
// Adds a frame to a page made by page(), below the frames already there.
void addToPage(QWidget* page, QWidget* frame);
// The caption of `field`: it names the field for a screen reader as well.
QLabel* caption(const QString& text, QWidget* field);
// Makes `field` as wide as `widest`, the longest text it is meant to show, and no wider.
void fitWidth(QLineEdit* field, const QString& widest);
// Day, month, year, hours and minutes under their captions, in `grid` from `row` on: the
// fields `name`0..4, spoken as `spoken` + " day", " month", ...
std::array<FieldEdit*, 5> dateFields(const QString& name, const QString& spoken, QGridLayout* grid,
                                     int row, QWidget* parent);

} // namespace korvelan::layouts
