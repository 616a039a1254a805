#pragma once

#include "ui/ValueEdit.h"

#include <QColor>
#include <QLineEdit>

namespace korvelan {

// Colours of the settings fields: edited and not yet written, in step with the logger, and
// as designed.
inline const QColor kEdited{255, 0, 0};
inline const QColor kInStep{255, 255, 15};
inline const QColor kDesign{255, 255, 128};
// Text that warns (a clock far off).
inline const QColor kWarningText{200, 60, 0};
// A read that got no answer or a garbled one: neither in step nor edited.
inline const QColor kNoAnswer{215, 215, 215};

void setBackground(QWidget* field, const QColor& colour);
[[nodiscard]] QColor background(const QWidget* field);
// Limits what the operator types into `field` to `limit` characters, as a maximum length
// would, without ever cutting what the program puts there (the logger's answers).
void limitTyping(QLineEdit* field, int limit);

// A settings field: pale yellow as designed, red as soon as a key is pressed in it.
// `maxLength` limits what the operator types; what the program shows (the logger's answer)
// is never cut.
class FieldEdit : public ValueEdit
{
    Q_OBJECT
public:
    explicit FieldEdit(const QString& name, int maxLength, QWidget* parent = nullptr);

    void markInStep() { setBackground(this, kInStep); }
    void markEdited() { setBackground(this, kEdited); }
    // What a read put here, coloured in step (`inStep`: some groups use the design colour for
    // it) when the logger gave it, grey when its read got no answer or a garbled one.
    void showReply(const QString& text, Origin origin, const QColor& inStep = kInStep);
    [[nodiscard]] int typingLimit() const { return m_typingLimit; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_typingLimit = 0;
};

} // namespace korvelan
