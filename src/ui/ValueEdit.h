#pragma once

#include "common/FieldOrigin.h"

#include <QLineEdit>

namespace korvelan {

// A text box that holds one of the logger's values, and knows where its text came from: the
// logger's answer (showReply), the operator's typing, or neither. Any other change of its
// text by the program makes it nobody's, so a value the program made up is never written.
class ValueEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit ValueEdit(const QString& name, QWidget* parent = nullptr);

    [[nodiscard]] Origin origin() const { return m_origin; }
    // What a read put here: `text` as the box shows it, `origin` what the reply was.
    void showReply(const QString& text, Origin origin);
    // The same value shown another way (trimmed, re-formatted, put in range): it keeps its
    // origin.
    void reshow(const QString& text);
    // A value the operator chose by a press rather than by typing (this computer's time).
    void setChosen(const QString& text);

signals:
    void originChanged(Origin origin);

protected:
    void setOrigin(Origin origin);

private:
    Origin m_origin = Origin::NeverRead;
    int m_keeping = 0;     // inside one of the setters above: they say what the origin is
    bool m_edited = false; // the text change under way is the operator's
};

} // namespace korvelan
