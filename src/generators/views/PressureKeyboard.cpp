#include "PressureKeyboard.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace {

// Halves go upward, for negative numbers too (-2.5 gives -2).
qint32 roundHalfUp(double x)
{
    return static_cast<qint32>(std::floor(x + 0.5));
}

} // namespace

PressureKeyboard::PressureKeyboard(QWidget* parent, const QSizeF& aKeySize) : Keyboard(parent, aKeySize) {}

void PressureKeyboard::setPressureMode(qint32 pressureMode)
{
    mode = pressureMode;
    update();
}

qint32 PressureKeyboard::pressureAt(qint32 y) const
{
    const qint32 h = keyHeight();
    if (h <= 0)
        return 0;
    return qBound(0, 127 - roundHalfUp((h - y) * 128.0 / h), 127);
}

qint32 PressureKeyboard::fineValue(qint32 y)
{
    if (anchorPending) {
        anchorY = y;
        anchorPending = false;
    }
    const qint32 h = keyHeight();
    return qBound(0, pressureAt(anchorY) - roundHalfUp((anchorY - y) * (h * 0.0078125) * 0.5), 127);
}

void PressureKeyboard::announce(qint32 value)
{
    if (mode == ChannelPressure) {
        if (anyKeyHeld())
            Q_EMIT channelPressure(value);
    } else if (mode == PolyKeyPressure) {
        for (qint32 note = 0; note < NoteCount; ++note) {
            if (isHeld(note))
                Q_EMIT keyPressure(note, value);
        }
    }
}

void PressureKeyboard::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        bool white = false;
        const qint32 note = keyAt(event->pos(), &white);
        if (note != NoKey) {
            lastKeyNote = static_cast<quint8>(note);
            lastKeyWhite = white;
            pressing = true;
            lastPos = event->pos();
            // Tracked from the press so that the first move announces only a real change.
            pressure = pressureAt(event->pos().y());
        }
    }
    Keyboard::mousePressEvent(event);
}

void PressureKeyboard::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressing)
        return;
    lastPos = event->pos();
    const bool controlOnly = event->modifiers() == Qt::ControlModifier;
    // The release decides by it whether the held keys stay latched.
    setControlGesture(controlOnly);
    if (mode != PressureOff && (!controlOnly || pressureDrag)) {
        pressureDrag = true;
        const bool shiftNow = event->modifiers() & Qt::ShiftModifier;
        if (!shiftHeld) {
            shiftHeld = shiftNow;
            anchorPending = shiftNow;
        } else if (!shiftNow) {
            shiftHeld = false;
        }
        const qint32 y = event->pos().y();
        const qint32 value = shiftHeld ? fineValue(y) : pressureAt(y);
        if (value != pressure) {
            announce(value);
            pressure = value;
        }
        update();
        return;
    }
    if (pressureDrag)
        return;
    bool white = false;
    const qint32 note = keyAt(event->pos(), &white);
    if (note != NoKey) {
        lastKeyNote = static_cast<quint8>(note);
        lastKeyWhite = white;
    }
    Keyboard::mouseMoveEvent(event);
}

void PressureKeyboard::mouseReleaseEvent(QMouseEvent* event)
{
    Keyboard::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    pressing = false;
    pressure = NoPressure;
    pressureDrag = false;
    // Shift still down at the next press must set a new anchor, not reuse this gesture's.
    shiftHeld = false;
    anchorPending = false;
    update();
}

void PressureKeyboard::wheelEvent(QWheelEvent* event)
{
    // The surrounding scroll area must not move the keys away from under a held press.
    if (pressing) {
        event->accept();
        return;
    }
    Keyboard::wheelEvent(event);
}

void PressureKeyboard::paintEvent(QPaintEvent* event)
{
    Keyboard::paintEvent(event);
    if (!anyKeyHeld() || mode == PressureOff || !pressing || (controlGesture() && !pressureDrag))
        return;
    bool found = false;
    const QRect key = keyRect(lastKeyNote, &found);
    if (!found)
        return;
    QPainter painter(this);
    painter.setPen(Qt::blue);
    const QRect box(lastKeyWhite ? key.x() : key.x() - 6, height() / 2 >= lastPos.y() ? height() - 16 : 0,
                    static_cast<int>(whiteKeySize().width()), 15);
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    painter.drawText(box.translated(1, 0), Qt::AlignCenter, QString::number(pressure));
    const qint32 h = keyHeight();
    const qint32 lineY = qBound(0, roundHalfUp(h / 127.0 * pressure), h);
    painter.drawLine(0, lineY, width(), lineY);
}
