#pragma once

#include "LineEdit.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class PushButton;
class SevenSegmentSlider;

// A number from 0 to 999 shown as three LED digits (leading zeros included) with small up and
// down buttons beside them. It is changed by dragging over the digits (SevenSegmentSlider), by the
// buttons with auto-repeat, by the Up and Down keys, by the wheel, by Control-click (reset) or by
// typing after a double-click; every change is clamped to the range and announced once with
// valueChanged. It is not bound to a parameter.
//
// The owning view supplies the digit strip (ten equal digit images side by side), the images and
// places of the two buttons, the range and the reset value.
class SevenSegment : public QWidget
{
    Q_OBJECT

public:
    // The widest range three digits can show.
    static constexpr qint32 Lowest = 0;
    static constexpr qint32 Highest = 999;

    explicit SevenSegment(QWidget* parent = nullptr);

    void setValue(qint32 value);
    qint32 value() const { return current; }

    // Limited to what three digits show; the value is clamped into the new range.
    void setRange(qint32 minimum, qint32 maximum);
    qint32 minimum() const { return low; }
    qint32 maximum() const { return high; }

    void setResetValue(qint32 value) { reset = value; }
    qint32 resetValue() const { return reset; }

    void setDigitImage(const QPixmap& strip);
    // Each image is a two-frame strip as for PushButton.
    void setUpButton(const QPixmap& image, const QRect& geometry);
    void setDownButton(const QPixmap& image, const QRect& geometry);
    PushButton* upButton() const { return up; }
    PushButton* downButton() const { return down; }

    // Opens a text field over the digits, holding the value with all text selected.
    void beginTextInput();
    // The open text field, or null.
    LineEdit* textEditor() const { return editor.data(); }

Q_SIGNALS:
    void valueChanged(qint32 value);

public Q_SLOTS:
    void inputCompletion();
    void increase();
    void decrease();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool editorOpen() const;
    // The digit area: everything left of the button column.
    QRect digitRect() const;

    QPixmap digits;
    QPointer<LineEdit> editor;
    qint32 current = 0;
    PushButton* up = nullptr;
    PushButton* down = nullptr;
    qint32 low = 0;
    qint32 high = 127;
    qint32 reset = 0;
    SevenSegmentSlider* overlay = nullptr;
};
