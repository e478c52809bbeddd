#pragma once

#include <QWidget>

// The pitch bend view's vertical slider of 128 positions. In wheel mode it behaves like a pitch
// wheel: it follows the pointer while pressed and springs back to the centre when released; keys
// and the wheel do nothing. In fader (free) mode it stays where it is put and also answers Home,
// End, the arrow and page keys, "+" and "-" and the mouse wheel. Control-click returns to the
// centre in both modes. It knows no MIDI: the view turns its position into Pitch Bend bytes.
class MidiPitchbendSlider : public QWidget
{
    Q_OBJECT

public:
    // The knob's height; the pointer maps to a position between half a knob from either edge.
    static constexpr int KnobHeight = 30;

    explicit MidiPitchbendSlider(QWidget* parent = nullptr);

    // Clamped to the range; valueChanged when it differs. Always repaints.
    void setValue(qint32 value);
    qint32 value() const { return current; }
    void setRange(qint32 minimum, qint32 maximum);
    qint32 minimum() const { return low; }
    qint32 maximum() const { return high; }
    void setCentre(qint32 value) { centre = qint16(value); }
    qint32 centreValue() const { return centre; }

    // false: wheel mode, the slider returns to the centre at once and after every release.
    void setFreeMode(bool free);
    bool isFreeMode() const { return freeMode; }

    // The signed 14-bit value the view last showed for the slider.
    void setShownValue(qint32 value) { shown = value; }
    qint32 shownValue() const { return shown; }

    // The position a pointer at row y asks for.
    qint32 valueAt(int y) const;
    // Top of the knob for the current value.
    int knobTop() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void valueChanged(qint32 value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    qint16 centre = 64;
    bool freeMode = false;
    qint32 current = 64;
    qint32 low = 0;
    qint32 high = 127;
    qint32 step = 1;
    qint32 shown = 0;
    bool tracking = false;
};
