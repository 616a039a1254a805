// Every window of the program, filled from the emulated logger: each fits a 1024x768 screen
// with nothing cut off, and each field has a name a screen reader can say.
#include "link/LinkLog.h"
#include "windows/about/AboutBox.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/chart/Grafici.h"
#include "windows/connection/ConnectionWindow.h"
#include "windows/connection/SplashWindow.h"
#include "windows/linklog/LinkLogWindow.h"
#include "windows/main/MainRig.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/ReadNowGroup.h"
#include "windows/measurement/MisCont.h"
#include "windows/modem/ModemWindow.h"
#include "windows/sensors/SensorWindow.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;

namespace {

// 1024x768 less a title bar and a task bar.
constexpr QSize kScreen(1010, 690);

struct EveryWindow : test::MainRig
{
    QTemporaryDir dir;
    ConnectionWindow connection{transport, session, window, dir.filePath("og399.ini")};
    ModemWindow modem{transport, prompter, window, dir.path(), &connection};
    LinkLog log{clock};
    LinkLogWindow linkLog{log, prompter};
    SplashWindow splash;

    // Each window as the operator first meets it, after the reads that fill it.
    QList<QWidget*> open()
    {
        for (const auto& read : window.connectionReads())
            read.action();
        window.applyModel(0);
        window.Leggi_poprieta();
        window.sensors().Leggi_prop(0);
        window.sensors().close();
        window.messaging().Leggi_Allarmi();
        window.alarms().Leggi_all(0);
        window.alarms().close();
        window.readNow().cmdApriMisuraContinua();
        window.readNow().misCont()->cmdGraf();
        window.INFORMAZIONI();
        modem.open();
        auto* reading = window.readNow().misCont();
        // clang-format off
        return {&window, &connection, &modem, &window.sensors(), &window.alarms(), &linkLog,
                &splash, reading, reading->chart(), window.findChild<AboutBox*>()};
        // clang-format on
    }
};

// What a failure names: the window or control and a size.
QByteArray describe(const QWidget* w, QSize size)
{
    return QStringLiteral("%1 %2x%3")
        .arg(w->objectName())
        .arg(size.width())
        .arg(size.height())
        .toUtf8();
}

// Each control whole inside the window, and each field's text whole inside the field.
void checkWhole(QWidget* w)
{
    for (auto* child : w->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(w) || child->window() != w)
            continue;
        const QRect r(child->mapTo(w, QPoint()), child->size());
        QVERIFY2(w->rect().contains(r), describe(child, child->size()));
        if (auto* box = qobject_cast<QLineEdit*>(child))
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <= box->width() - 8,
                     describe(box, box->size()) + ' ' + box->text().toUtf8());
    }
}

// Fields that a screen reader announces by name.
QList<QWidget*> fields(QWidget* window)
{
    QList<QWidget*> out;
    for (auto* w : window->findChildren<QWidget*>()) {
        const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                           qobject_cast<QCheckBox*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w);
        // Qt's own parts of a field, and other windows, aside.
        if (field && w->window() == window && !w->objectName().startsWith(QLatin1String("qt_")) &&
            !qobject_cast<QComboBox*>(w->parentWidget()) &&
            !qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            out << w;
    }
    return out;
}

} // namespace

class WindowsTest : public QObject
{
    Q_OBJECT
private slots:
    void everyWindowFitsTheScreen();
    void everyFieldHasAName();
};

void WindowsTest::everyWindowFitsTheScreen()
{
    EveryWindow rig;
    for (QWidget* w : rig.open()) {
        QVERIFY(w);
        // Windows that choose their size keep it; the others take what they ask for.
        const QSize initial = w->testAttribute(Qt::WA_Resized) ? w->size() : w->sizeHint();
        // At its smallest as at its first size: every page of the main window in its turn.
        for (const QSize size : {w->minimumSizeHint().expandedTo(w->minimumSize()), initial}) {
            QVERIFY2(size.boundedTo(kScreen) == size, describe(w, size));
            w->resize(size);
            w->show();
            auto* tabs = w->findChild<QTabWidget*>();
            for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
                if (tabs) {
                    tabs->setCurrentIndex(page);
                    QVERIFY(tabs->tabBar()->rect().contains(tabs->tabBar()->tabRect(page)));
                }
                QApplication::processEvents();
                checkWhole(w);
            }
        }
    }
}

void WindowsTest::everyFieldHasAName()
{
    EveryWindow rig;
    for (QWidget* w : rig.open()) {
        QHash<QString, QString> named; // spoken name -> control
        for (QWidget* field : fields(w)) {
            const QString name =
                QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name);
            const QString control = w->objectName() + u'.' + field->objectName();
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(control));
            QVERIFY2(!named.contains(name), qPrintable(QStringLiteral("%1 and %2 are both \"%3\"")
                                                           .arg(named.value(name), control, name)));
            named.insert(name, control);
        }
    }
}

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
