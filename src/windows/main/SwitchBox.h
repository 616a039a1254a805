#pragma once

#include <QCheckBox>

namespace korvelan {

// A check box that mirrors a switch inside the logger. Every way of toggling it (a mouse
// press, the space bar, an assistive tool's toggle or press action) asks for the change
// (switchRequested, with the state wanted) but does not tick or clear it: the box shows only
// what the logger answers when the switch is read back, set with setChecked().
class SwitchBox : public QCheckBox
{
    Q_OBJECT
public:
    SwitchBox(const QString& name, const QString& caption, QWidget* parent = nullptr);

    // Asks for the opposite of what the box shows.
    void requestToggle();

signals:
    void switchRequested(bool on);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override {}
};

} // namespace korvelan
