#pragma once

// The widgets are driven through their window, as the window system would: the events pass
// QApplication's routing (the overlay under the cursor, the implicit mouse grab, double-click
// detection) instead of being delivered straight to one widget.
#define QTEST_QPA_MOUSE_HANDLING

#include "ModelAssistant.h"

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QVector>
#include <QtTest>

// Two entry points of the window system interface, which QtTest does not wrap and whose header
// is not installed: wheel events as the window system delivers them, and the removal of screens
// (Qt 5.15's offscreen platform never releases the screen it creates, which LeakSanitizer reports
// at exit; later Qt versions remove the screens when the platform goes away).
QT_BEGIN_NAMESPACE
class QPlatformScreen;
class Q_GUI_EXPORT QWindowSystemInterface
{
public:
    static bool handleWheelEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                 QPoint pixelDelta, QPoint angleDelta, Qt::KeyboardModifiers modifiers,
                                 Qt::ScrollPhase phase, Qt::MouseEventSource source);
    static void handleScreenRemoved(QPlatformScreen* screen);
};
QT_END_NAMESPACE

// A wheel turn over pos of widget, entering through its window: angle 120 is one notch up.
inline void wheelTurn(QWidget* widget, QPoint pos, int angle)
{
    QWindow* window = widget->window()->windowHandle();
    const QPoint global = widget->mapToGlobal(pos);
    QWindowSystemInterface::handleWheelEvent(window, window->mapFromGlobal(global), global, QPoint(),
                                             QPoint(0, angle), Qt::NoModifier, Qt::NoScrollPhase,
                                             Qt::MouseEventNotSynthesized);
    QCoreApplication::processEvents();
}

inline void releaseOffscreenScreens()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        QWindowSystemInterface::handleScreenRemoved(screen->handle());
}

inline QStringList itemTexts(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->itemText(i));
    return texts;
}

// Shows a top-level widget and waits until the window system has exposed and activated it.
[[nodiscard]] inline bool showActive(QWidget* window)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// QTEST_MAIN, plus the release of the offscreen screens once every test object is gone.
#define VANTEL_WIDGET_TEST_MAIN(TestObject)                                                                  \
    int main(int argc, char* argv[])                                                                         \
    {                                                                                                        \
        QApplication app(argc, argv);                                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        int result = 0;                                                                                      \
        {                                                                                                    \
            TestObject test;                                                                                 \
            QTEST_SET_MAIN_SOURCE_PATH                                                                       \
            result = QTest::qExec(&test, argc, argv);                                                        \
        }                                                                                                    \
        releaseOffscreenScreens();                                                                           \
        return result;                                                                                       \
    }

// Records every parameter change the store announces, to tell how often a control wrote.
class ChangeRecorder : public ModelAssistant
{
public:
    void parameterChanged(qint32 id) override { ids.append(id); }
    int count(qint32 id) const { return static_cast<int>(ids.count(id)); }
    QVector<qint32> ids;
};

// A vertical drag with the left button, pixel by pixel, in coordinates of the dragged widget.
class MouseDrag
{
public:
    MouseDrag(QWidget* aWidget, QPoint start, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
        : widget(aWidget), position(start)
    {
        QTest::mousePress(widget, Qt::LeftButton, modifiers, position);
    }

    // Positive pixels move up. One move event per pixel unless jump is set.
    void up(int pixels, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool jump = false)
    {
        const int direction = pixels >= 0 ? -1 : 1;
        const int count = pixels >= 0 ? pixels : -pixels;
        if (jump) {
            position.ry() += direction * count;
            moveTo(position, modifiers);
            return;
        }
        for (int i = 0; i < count; ++i) {
            position.ry() += direction;
            moveTo(position, modifiers);
        }
    }
    void down(int pixels, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { up(-pixels, modifiers); }

    // The cursor held against a screen edge: the row stays, and since the window system reports
    // no motion without a change of place, the hand wobbles sideways by a pixel.
    void pushAgainstEdge(Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        wobble = -wobble;
        position.rx() += wobble;
        moveTo(position, modifiers);
    }

    void release() { QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, position); }

private:
    void moveTo(QPoint pos, Qt::KeyboardModifiers modifiers)
    {
        QTest::mouseEvent(QTest::MouseMove, widget, Qt::NoButton, modifiers, pos);
    }

    QWidget* widget;
    QPoint position;
    int wobble = 1;
};
