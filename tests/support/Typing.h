#pragma once

#include <QLineEdit>
#include <QTest>

namespace korvelan::test {

// The operator types `text` over what `box` shows, key by key, as a keyboard gives it: the
// field then holds the operator's value. An empty text is typed as a key and its Backspace.
inline void type(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, 'x');
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

// A press on a check box as the mouse gives it: on the box, not on its caption.
inline void pressBox(QWidget* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

} // namespace korvelan::test
