#include "MidiPitchbendSlider.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace {

// Rounds half upward, as the pointer and knob mapping expect.
int roundHalfUp(double value)
{
    return int(std::floor(value + 0.5));
}

} // namespace

MidiPitchbendSlider::MidiPitchbendSlider(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::WheelFocus);
    // The pointer mapping divides by the height less one knob.
    setMinimumHeight(2 * KnobHeight + 1);
}

QSize MidiPitchbendSlider::sizeHint() const
{
    return QSize(43, 161);
}

QSize MidiPitchbendSlider::minimumSizeHint() const
{
    return QSize(20, 2 * KnobHeight + 1);
}

void MidiPitchbendSlider::setValue(qint32 value)
{
    value = qBound(low, value, high);
    if (value != current) {
        current = value;
        QAccessibleValueChangeEvent event(this, current);
        QAccessible::updateAccessibility(&event);
        Q_EMIT valueChanged(current);
    }
    update();
}

void MidiPitchbendSlider::setRange(qint32 minimum, qint32 maximum)
{
    low = minimum;
    high = qMax(minimum, maximum);
    setValue(current);
}

void MidiPitchbendSlider::setFreeMode(bool free)
{
    freeMode = free;
    if (!freeMode)
        setValue(centre);
}

qint32 MidiPitchbendSlider::valueAt(int y) const
{
    const int span = height() - KnobHeight;
    if (span <= 0 || high <= low)
        return centre;
    return low + roundHalfUp(double(height() - KnobHeight / 2 - y) * (high - low) / span);
}

int MidiPitchbendSlider::knobTop() const
{
    const int span = height() - KnobHeight;
    if (high <= low)
        return 0;
    return roundHalfUp(span - double(current - low) * span / (high - low));
}

void MidiPitchbendSlider::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const int middle = roundHalfUp(w / 2.0);
    painter.setPen(Qt::gray);
    painter.drawLine(middle, 0, middle, h);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, w - 1, h - 1);

    painter.setRenderHint(QPainter::Antialiasing);
    const QRect knob(roundHalfUp(middle / 2.0), knobTop(), middle, KnobHeight);
    QLinearGradient gradient(knob.topLeft(), knob.bottomLeft());
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(195, 195, 195));
    painter.setBrush(gradient);
    painter.drawRoundedRect(knob, 10, 10);
}

void MidiPitchbendSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (event->modifiers() & Qt::ControlModifier) {
        tracking = false;
        setValue(centre);
        return;
    }
    tracking = true;
    setValue(valueAt(event->pos().y()));
}

void MidiPitchbendSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!tracking || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    setValue(valueAt(event->pos().y()));
}

void MidiPitchbendSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    tracking = false;
    if (!freeMode)
        setValue(centre);
}

void MidiPitchbendSlider::keyPressEvent(QKeyEvent* event)
{
    qint32 target = current;
    switch (event->key()) {
    case Qt::Key_Home:
        target = high;
        break;
    case Qt::Key_End:
        target = low;
        break;
    case Qt::Key_Up:
    case Qt::Key_Plus:
        target = current + step;
        break;
    case Qt::Key_Down:
    case Qt::Key_Minus:
        target = current - step;
        break;
    case Qt::Key_PageUp:
        target = current + 10 * step;
        break;
    case Qt::Key_PageDown:
        target = current - 10 * step;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // A wheel springs back; only a fader is moved by keys.
    if (freeMode)
        setValue(target);
}

void MidiPitchbendSlider::wheelEvent(QWheelEvent* event)
{
    event->accept();
    if (freeMode)
        setValue(current + event->angleDelta().y() / 120 * step);
}
