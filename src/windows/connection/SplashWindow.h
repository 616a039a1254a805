#pragma once

#include <QWidget>
#include <chrono>

namespace korvelan {

class Clock;

// The splash window shown while the program starts.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr auto kShowFor = std::chrono::milliseconds(1800);

    explicit SplashWindow(QWidget* parent = nullptr);

    // Shows itself centred, with the size of the window that follows, for kShowFor; then
    // shows `next` and hides. The window keeps painting meanwhile but takes no input.
    void run(Clock& clock, QWidget& next);
};

// Moves a top-level window of the given size to the middle of the screen it is on.
void centreOnScreen(QWidget& window, QSize size);

} // namespace korvelan
