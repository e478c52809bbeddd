#include "Keyboard.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// Width and height of a black key relative to a white one. They are single-precision constants
// widened to double, so the pixel layout is the same wherever the keyboard is drawn.
const double BlackWidthFactor = static_cast<double>(0.47826087f);
const double BlackHeightFactor = static_cast<double>(0.6333333f);

const qint32 WhiteSteps[7] = {0, 2, 4, 5, 7, 9, 11};
// The black key to the right of each white key of an octave; -1 after E and B.
const qint32 BlackSteps[7] = {1, 3, -1, 6, 8, 10, -1};

bool exactlyControl(const QMouseEvent* event)
{
    return event->modifiers() == Qt::ControlModifier;
}

} // namespace

Keyboard::Keyboard(QWidget* parent, const QSizeF& size)
    : QWidget(parent), keySize(size.isNull() ? QSizeF(50, 200) : size)
{
    const double w = keySize.width();
    const double h = keySize.height();
    whiteKeys.reserve(WhiteKeyCount);
    for (qint32 i = 0; i < WhiteKeyCount; ++i) {
        const auto note = static_cast<quint8>(i / 7 * 12 + WhiteSteps[i % 7]);
        whiteKeys.append(
            Key{note, QRect(static_cast<int>(w * i), 0, static_cast<int>(w), static_cast<int>(h))});
    }
    blackKeys.reserve(BlackKeyCount);
    for (qint32 i = 0; i < WhiteKeyCount - 1; ++i) {
        if (BlackSteps[i % 7] < 0)
            continue;
        const auto note = static_cast<quint8>(i / 7 * 12 + BlackSteps[i % 7]);
        const int x = static_cast<int>(w * (i + 1) - w * BlackWidthFactor * 0.5);
        blackKeys.append(Key{note, QRect(x, 0, static_cast<int>(w * BlackWidthFactor),
                                         static_cast<int>(h * BlackHeightFactor))});
    }
    setAutoFillBackground(true);
}

void Keyboard::setPressedColor(const QColor& color)
{
    pressed = color;
    update();
}

void Keyboard::setMiddleC(qint32 index)
{
    middleCIndex = index;
    update();
}

bool Keyboard::isHeld(qint32 note) const
{
    return note >= 0 && note < NoteCount && held[static_cast<size_t>(note)];
}

bool Keyboard::anyKeyHeld() const
{
    for (bool h : held) {
        if (h)
            return true;
    }
    return false;
}

void Keyboard::pressKey(qint32 note)
{
    held[static_cast<size_t>(note)] = true;
    Q_EMIT noteOn(note);
    update();
}

void Keyboard::releaseKey(qint32 note)
{
    held[static_cast<size_t>(note)] = false;
    Q_EMIT noteOff(note);
    update();
}

void Keyboard::releaseAllKeys()
{
    for (qint32 note = 0; note < NoteCount; ++note) {
        if (held[static_cast<size_t>(note)])
            releaseKey(note);
    }
}

qint32 Keyboard::keyAt(const QPoint& point, bool* isWhite) const
{
    for (const Key& key : blackKeys) {
        if (key.rect.contains(point)) {
            if (isWhite)
                *isWhite = false;
            return key.note;
        }
    }
    for (const Key& key : whiteKeys) {
        if (key.rect.contains(point)) {
            if (isWhite)
                *isWhite = true;
            return key.note;
        }
    }
    return NoKey;
}

QRect Keyboard::keyRect(qint32 note, bool* found) const
{
    for (const QVector<Key>* keys : {&whiteKeys, &blackKeys}) {
        for (const Key& key : *keys) {
            if (key.note == note) {
                if (found)
                    *found = true;
                return key.rect;
            }
        }
    }
    if (found)
        *found = false;
    return QRect();
}

void Keyboard::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const qint32 note = keyAt(event->pos());
    if (note == NoKey)
        return;
    ctrl = exactlyControl(event);
    if (ctrl) {
        if (isHeld(note)) {
            dragMode = DragMode::Releasing;
            releaseKey(note);
        } else {
            dragMode = DragMode::Pressing;
            pressKey(note);
        }
    } else if (anyKeyHeld()) {
        // A plain click only clears what Control left latched.
        releaseAllKeys();
    } else {
        pressKey(note);
    }
}

void Keyboard::mouseMoveEvent(QMouseEvent* event)
{
    // Another button held alone must not play: its release would not end the gesture.
    if (!(event->buttons() & Qt::LeftButton))
        return;
    ctrl = exactlyControl(event);
    const qint32 note = keyAt(event->pos());
    if (note == NoKey)
        return;
    if (!ctrl && anyKeyHeld()) {
        // Leaving the key releases it; the next move over the new key sounds it, so a glissando
        // never has two notes on at once.
        if (!isHeld(note))
            releaseAllKeys();
        return;
    }
    if (dragMode == DragMode::Releasing) {
        if (isHeld(note))
            releaseKey(note);
    } else if (!isHeld(note)) {
        pressKey(note);
    }
}

void Keyboard::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!ctrl)
        releaseAllKeys();
    dragMode = DragMode::Idle;
}

void Keyboard::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setPen(Qt::black);
    const double w = keySize.width();
    const double h = keySize.height();
    qint32 octave = middleCIndex - 2;
    for (qint32 i = 0; i < whiteKeys.size(); ++i) {
        const Key& key = whiteKeys.at(i);
        painter.setBrush(held[key.note] ? pressed : QColor(Qt::white));
        painter.drawRect(key.rect);
        if (i % 7 == 0) {
            const QRect label(static_cast<int>(w * i), static_cast<int>(h * 0.75), key.rect.width(), 20);
            painter.drawText(label, Qt::AlignCenter, QStringLiteral("C%1").arg(octave));
            ++octave;
        }
    }
    for (const Key& key : blackKeys) {
        painter.setBrush(held[key.note] ? pressed : QColor(Qt::black));
        painter.drawRect(key.rect);
    }
}
