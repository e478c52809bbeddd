#include "DragTracker.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <limits>
#include <utility>

DragTracker::DragTracker(QWidget* anOwner, Getter aMinimum, Getter aMaximum, Setter apply, Getter aValue)
    : owner(anOwner), minimum(std::move(aMinimum)), maximum(std::move(aMaximum)), setValue(std::move(apply)),
      value(std::move(aValue))
{
}

double DragTracker::stepPerPixel(qint64 range, bool fine)
{
    double step;
    if (range <= 16)
        step = 0.25;
    else if (range <= 128)
        step = 1.0;
    else if (range <= 320)
        step = 2.0;
    else
        step = static_cast<double>(range / 100);

    if (fine) {
        // Wide ranges are fine-tuned at the same speed as narrow ones: one unit per four pixels.
        if (range >= 1024)
            step = 1.0;
        step = std::min(step * 0.25, 1.0);
    }
    return step;
}

bool DragTracker::mousePress(const QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    press(event->globalPos());
    return true;
}

bool DragTracker::mouseMove(const QMouseEvent* event)
{
    if (!dragging || !(event->buttons() & Qt::LeftButton))
        return false;
    move(event->globalPos(), event->modifiers() & Qt::ShiftModifier);
    return true;
}

bool DragTracker::mouseRelease(const QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    release();
    return true;
}

void DragTracker::press(const QPoint& globalPos)
{
    dragging = true;
    accumulator = 0.0;
    startValue = value();
    // A value outside the range (the store does not clamp) would otherwise need dead travel
    // before the first visible change.
    const qint32 min = minimum();
    const qint32 max = maximum();
    if (min <= max)
        startValue = qBound(min, startValue, max);
    lastGlobalPos = globalPos;
    lowLimitRow.reset();
    highLimitRow.reset();
}

void DragTracker::move(const QPoint& globalPos, bool fine)
{
    if (!dragging)
        return;

    // 64-bit arithmetic: the widest ranges span the whole signed 32-bit space.
    const qint64 min = minimum();
    const qint64 max = maximum();
    const qint64 range = max - min;
    const double step = stepPerPixel(range, fine);
    const qint32 y = globalPos.y();
    const double start = static_cast<double>(startValue);

    if (highLimitRow && *highLimitRow > y) {
        accumulator = static_cast<double>(max) - start;
    } else if (lowLimitRow && *lowLimitRow < y) {
        accumulator = static_cast<double>(min) - start;
    } else {
        lowLimitRow.reset();
        highLimitRow.reset();
        const QRect screen = currentScreenGeometry();
        qint32 dy;
        if (screen.isValid() && y <= screen.top())
            dy = 1;
        else if (screen.isValid() && y >= screen.bottom())
            dy = -1;
        else
            dy = lastGlobalPos.y() - y;
        accumulator += step * dy;
        if (start + accumulator < static_cast<double>(min)) {
            accumulator = static_cast<double>(min) - start;
            lowLimitRow = y;
        }
        if (start + accumulator > static_cast<double>(max)) {
            accumulator = static_cast<double>(max) - start;
            highLimitRow = y;
        }
    }

    qint64 next = static_cast<qint64>(startValue) + static_cast<qint64>(std::trunc(accumulator));
    next = qBound<qint64>(std::numeric_limits<qint32>::min(), next, std::numeric_limits<qint32>::max());
    setValue(static_cast<qint32>(next));
    lastGlobalPos = globalPos;
}

void DragTracker::release()
{
    dragging = false;
}

void DragTracker::setScreenGeometry(ScreenGeometry geometry)
{
    screenGeometry = std::move(geometry);
}

QRect DragTracker::currentScreenGeometry() const
{
    if (screenGeometry)
        return screenGeometry();
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect();
}
