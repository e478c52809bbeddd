#include "WidgetSlider.h"

#include <QMouseEvent>

WidgetSlider::WidgetSlider(QWidget* parent)
    : QWidget(parent), tracker(
                           this, [this] { return minimum(); }, [this] { return maximum(); },
                           [this](qint32 v) { setValue(v); }, [this] { return value(); })
{
    setFocusPolicy(Qt::NoFocus);
}

void WidgetSlider::mousePressEvent(QMouseEvent* event)
{
    // Every press is taken: a press that fell through would reach the target's own handling
    // (the step arrows of a spin box, for one).
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        resetToDefault();
        return;
    }
    tracker.mousePress(event);
}

void WidgetSlider::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    tracker.mouseMove(event);
}

void WidgetSlider::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    tracker.mouseRelease(event);
}

void WidgetSlider::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    // The press that belongs to the double-click must not leave a drag behind the text input.
    tracker.release();
    hide();
    beginTextInput();
}
