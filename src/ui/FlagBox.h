#pragma once

#include "common/FieldOrigin.h"

#include <QCheckBox>
#include <optional>

namespace korvelan {

// A check box that holds one of the logger's flags, and knows where its state came from: the
// logger's answer, the operator's click, or neither. A flag whose read got no answer or came
// garbled shows the third state, with a tooltip saying so, never "unticked"; one never read
// shows unticked. Any other change of its state by the program makes it nobody's.
class FlagBox : public QCheckBox
{
    Q_OBJECT
public:
    FlagBox(const QString& name, const QString& caption, QWidget* parent = nullptr);

    [[nodiscard]] Origin origin() const { return m_origin; }
    // The flag when it is known.
    [[nodiscard]] std::optional<bool> value() const;
    // What a read gave.
    void showReply(replies::Flag flag);
    // `on`, with where it came from (a bank's state copied to its rows).
    void showFlag(bool on, Origin origin);
    // Nothing of the logger's: unticked, and nobody's.
    void forget() { showFlag(false, Origin::NeverRead); }
    // Puts back the state and origin the box had before the operator's last click (a change
    // the operator took back).
    void undoClick();
    // The tooltip shown while the flag is known.
    void setHint(const QString& hint);

protected:
    // The operator's click: a flag in the third state ticks; it is the operator's from then.
    void nextCheckState() override;
    void checkStateSet() override;

private:
    void display(Qt::CheckState state, Origin origin);

    Origin m_origin = Origin::NeverRead;
    Qt::CheckState m_beforeClick = Qt::Unchecked;
    Origin m_originBeforeClick = Origin::NeverRead;
    QString m_hint;
    int m_keeping = 0;
};

} // namespace korvelan
