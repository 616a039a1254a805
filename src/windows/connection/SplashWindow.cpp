#include "windows/connection/SplashWindow.h"

#include "link/Clock.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace korvelan {

void centreOnScreen(QWidget& window, QSize size)
{
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window.resize(size);
    window.move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen)
{
    setObjectName(QStringLiteral("Ini"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("KORVELAN"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(KORVELAN_VERSION)), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addStretch();
}

void SplashWindow::run(Clock& clock, QWidget& next)
{
    const auto shown = clock.now();
    centreOnScreen(*this, next.size());
    show();
    // "More than" the time: one tick past it.
    clock.waitBlocking(shown + kShowFor + std::chrono::nanoseconds(1));
    next.show();
    hide();
}

} // namespace korvelan
