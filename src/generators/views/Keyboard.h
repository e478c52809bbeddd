#pragma once

#include <QColor>
#include <QRect>
#include <QSizeF>
#include <QVector>
#include <QWidget>

#include <array>

// A painted piano of all 128 MIDI notes: 75 white and 53 black keys laid out from the size of one
// white key. Left-button gestures press and release keys and every change is announced with
// noteOn / noteOff; the widget knows no MIDI bytes, the owning view builds the messages.
//
// Gestures: a press sounds the key under the pointer, dragging on to another key releases it and
// sounds the next one on the following move (a glissando), and the button going up releases
// everything. With Control the keys stay held: a Control-press on an unheld key starts a drag that
// presses every key it crosses, on a held key one that releases them, and a later plain click
// releases all latched keys without sounding a new one.
class Keyboard : public QWidget
{
    Q_OBJECT

public:
    static constexpr qint32 NoteCount = 128;
    static constexpr qint32 WhiteKeyCount = 75;
    static constexpr qint32 BlackKeyCount = 53;
    // keyAt's answer for a point on no key.
    static constexpr qint32 NoKey = 255;

    // A null key size means 50 x 200, the size of one white key.
    explicit Keyboard(QWidget* parent = nullptr, const QSizeF& keySize = QSizeF());

    // Fill of held keys.
    void setPressedColor(const QColor& color);
    QColor pressedColor() const { return pressed; }

    // Parameter "Middle C": 0 labels note 60 "C3", 1 "C4", 2 "C5".
    void setMiddleC(qint32 index);
    qint32 middleC() const { return middleCIndex; }

    // Releases every held note, in ascending order.
    void releaseAllKeys();

    // Black keys are tried first, since they lie on top of the white ones.
    qint32 keyAt(const QPoint& point, bool* isWhite = nullptr) const;
    QRect keyRect(qint32 note, bool* found = nullptr) const;
    qint32 keyHeight() const { return static_cast<qint32>(keySize.height()); }
    QSizeF whiteKeySize() const { return keySize; }

    bool isHeld(qint32 note) const;
    bool anyKeyHeld() const;

Q_SIGNALS:
    void noteOn(qint32 note);
    void noteOff(qint32 note);

protected:
    struct Key
    {
        quint8 note;
        QRect rect;
    };

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    // True when the last press or move had Control and no other modifier: such a gesture latches.
    bool controlGesture() const { return ctrl; }
    void setControlGesture(bool on) { ctrl = on; }

private:
    enum class DragMode
    {
        Pressing,
        Releasing,
        Idle
    };

    void pressKey(qint32 note);
    void releaseKey(qint32 note);

    QVector<Key> whiteKeys;
    QVector<Key> blackKeys;
    std::array<bool, NoteCount> held{};
    QSizeF keySize;
    QColor pressed = Qt::transparent;
    bool ctrl = false;
    qint32 middleCIndex = 0;
    DragMode dragMode = DragMode::Idle;
};
