#pragma once

#include "Keyboard.h"

// The keyboard with aftertouch: while a key is held down with the left button, the vertical
// position of the pointer on the keyboard becomes a pressure of 0 (top edge) to 127 (bottom edge),
// announced as channel pressure or as polyphonic key pressure for every held key, and shown on the
// key with a line at its height. With Shift the pressure follows the pointer more slowly, starting
// from where Shift came in; without it the position maps absolutely again.
//
// A pressure drag replaces the keyboard's own drag: once a move has produced pressure, moving
// sideways plays no glissando until the button goes up. Moves with Control alone before that
// still latch keys as on the plain keyboard, so several keys can be gathered and then pressed
// together. An unchanged pressure is not announced again, and nothing resets it on release.
class PressureKeyboard : public Keyboard
{
    Q_OBJECT

public:
    enum PressureMode : qint32
    {
        PressureOff = 0,
        ChannelPressure = 1,
        PolyKeyPressure = 2
    };
    // currentPressure while no press is in progress.
    static constexpr qint32 NoPressure = 0x7FFFFFFF;

    explicit PressureKeyboard(QWidget* parent = nullptr, const QSizeF& keySize = QSizeF());

    void setPressureMode(qint32 mode);
    qint32 pressureMode() const { return mode; }
    qint32 currentPressure() const { return pressure; }

    // The pressure a pointer row gives on the absolute mapping.
    qint32 pressureAt(qint32 y) const;

Q_SIGNALS:
    void keyPressure(qint32 note, qint32 value);
    void channelPressure(qint32 value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    qint32 fineValue(qint32 y);
    void announce(qint32 value);

    bool pressing = false;
    QPoint lastPos;
    qint32 pressure = NoPressure;
    qint32 mode = PressureOff;
    bool shiftHeld = false;
    bool anchorPending = false;
    qint32 anchorY = 0;
    quint8 lastKeyNote = NoKey;
    bool lastKeyWhite = false;
    bool pressureDrag = false;
};
