#pragma once

#include <QColor>
#include <QLineEdit>

namespace korvelan {

// Colours of the settings fields: edited and not yet written, in step with the logger, and
// as designed.
inline const QColor kEdited{255, 0, 0};
inline const QColor kInStep{255, 255, 15};
inline const QColor kDesign{255, 255, 128};

void setBackground(QWidget* field, const QColor& colour);
[[nodiscard]] QColor background(const QWidget* field);

// A settings field: pale yellow as designed, red as soon as a key is pressed in it.
class FieldEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit FieldEdit(const QString& name, int maxLength, QWidget* parent = nullptr);

    void markInStep() { setBackground(this, kInStep); }
    void markEdited() { setBackground(this, kEdited); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace korvelan
