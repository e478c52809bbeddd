#pragma once

#include <QPoint>
#include <QRect>
#include <QtGlobal>

#include <functional>
#include <optional>

class QMouseEvent;
class QWidget;

// Turns a vertical mouse drag into value changes: moving up increases the value, with a speed
// that adapts to the range so that every range is crossed in a comfortable travel, and a fine
// mode under Shift. The tracker does not know its target: the owner (a slider overlay or a dial)
// supplies the range and the value through four callables.
//
// Once a limit is reached the row where that happened is remembered; motion beyond it is ignored
// and the value moves back as soon as the cursor comes back past that row, with no dead travel.
// At the upper and lower edge of the screen, where the cursor cannot move any further, every
// event counts as one pixel of motion towards that edge, so holding the cursor there keeps the
// value changing.
class DragTracker
{
public:
    using Getter = std::function<qint32()>;
    using Setter = std::function<void(qint32)>;
    // Geometry of the screen the owner is on, in global coordinates.
    using ScreenGeometry = std::function<QRect()>;

    DragTracker(QWidget* owner, Getter minimum, Getter maximum, Setter setValue, Getter value);

    // Change per pixel of vertical travel for a range (maximum - minimum), plain or fine.
    static double stepPerPixel(qint64 range, bool fine);

    // The event forms act on the left button only and return whether they took the event.
    bool mousePress(const QMouseEvent* event);
    bool mouseMove(const QMouseEvent* event);
    bool mouseRelease(const QMouseEvent* event);

    void press(const QPoint& globalPos);
    void move(const QPoint& globalPos, bool fine);
    void release();

    bool isDragging() const { return dragging; }

    // By default the screen the owner is on; replaceable where the real screen cannot be used.
    void setScreenGeometry(ScreenGeometry geometry);

private:
    QRect currentScreenGeometry() const;

    double accumulator = 0.0;
    QPoint lastGlobalPos;
    qint32 startValue = 0;
    bool dragging = false;
    // Screen rows where the minimum and the maximum were reached; empty while not at that limit.
    // Rows can be negative on multi-screen desktops, so no row value can stand for "none".
    std::optional<qint32> lowLimitRow;
    std::optional<qint32> highLimitRow;
    QWidget* owner;
    Getter minimum;
    Getter maximum;
    Setter setValue;
    Getter value;
    ScreenGeometry screenGeometry;
};
