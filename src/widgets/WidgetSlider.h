#pragma once

#include "DragTracker.h"

#include <QWidget>

// A transparent mouse catcher laid over another widget (a spin box, a seven-segment display) so
// that its value is changed by dragging: a left press and vertical motion drive a DragTracker,
// Control with a left press resets the value, and a double-click hands over to the target's text
// input. The overlay paints nothing. Wheel and key events are not taken, so they reach the target
// underneath.
class WidgetSlider : public QWidget
{
    Q_OBJECT

public:
    explicit WidgetSlider(QWidget* parent = nullptr);

    virtual void setValue(qint32 value) = 0;
    virtual qint32 value() const = 0;
    virtual qint32 minimum() const = 0;
    virtual qint32 maximum() const = 0;
    virtual void resetToDefault() = 0;
    // The target shows the overlay again when its text input ends.
    virtual void beginTextInput() = 0;

    DragTracker& dragTracker() { return tracker; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    DragTracker tracker;
};
