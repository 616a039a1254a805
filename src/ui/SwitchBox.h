#pragma once

#include "ui/FlagBox.h"

namespace korvelan {

// A check box that mirrors a switch inside the logger. Every way of toggling it (a mouse
// press, the space bar, an assistive tool's toggle or press action) asks for the change
// (switchRequested, with the state wanted) but does not tick or clear it: the box shows only
// what the logger answers when the switch is read back (showReply).
class SwitchBox : public FlagBox
{
    Q_OBJECT
public:
    SwitchBox(const QString& name, const QString& caption, QWidget* parent = nullptr);

    // What a press does when the switch's own state is not known: it cannot say which way it
    // goes, so it reads the switch instead of writing it.
    static inline const QString kReadInstead = QStringLiteral(
        "the switch is read from the logger now; press it again once it shows the logger's "
        "state");

    // Asks for the opposite of what the box shows (on, for a box in the third state).
    void requestToggle();

signals:
    void switchRequested(bool on);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override {}
};

} // namespace korvelan
