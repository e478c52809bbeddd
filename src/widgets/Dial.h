#pragma once

#include "DragTracker.h"
#include "KnobModeTarget.h"
#include "LineEdit.h"
#include "ModelConnection.h"

#include <QColor>
#include <QDial>
#include <QPointer>
#include <QSize>

// A rotary knob with its value (and a unit suffix) written in the centre over a coloured arc.
//
// The knob mode preference decides how it follows the mouse: circular mode is the standard dial,
// the value following the pointer's angle; linear mode drives it by vertical drags like the spin
// boxes (DragTracker). The model's dial list sets the mode, so every knob switches together. Only
// presses inside the knob circle act. A double-click on the centred box opens a text field to type
// the value; in circular mode a single press there does nothing, so the double-click does not
// first jump the knob. Control-click returns to the reset value, and a wheel notch is one step.
//
// Bound to a parameter, the dial shows it; it never writes it. Views listen to valueChanged.
class Dial : public QDial, public ModelConnection, public KnobModeTarget
{
    Q_OBJECT

public:
    enum KnobMode : qint32
    {
        Circular = 0,
        Linear = 1
    };

    explicit Dial(QWidget* parent = nullptr);

    using QWidget::update;
    void update(qint32 id) override;
    // The slider's own: the dial never writes its parameter.
    using QAbstractSlider::setValue;

    void setKnobMode(qint32 mode) override;
    qint32 knobMode() const { return mode; }

    void setSuffix(const QString& text);
    QString suffix() const { return unit; }

    // Size of the centred box that takes double-clicks and holds the text field.
    void setTextEditorSize(const QSize& size) { editorSize = size; }
    QSize textEditorSize() const { return editorSize; }
    // Closest the box may come to the edge of the knob face.
    void setEditorMargin(qint32 margin) { editorMargin = margin; }

    // How far the arc reaches beyond the knob square (negative values keep it inside).
    void setArcMargins(qint32 left, qint32 top, qint32 right, qint32 bottom);
    QMargins arcMargins() const { return margins; }
    void setArcStartColor(const QColor& color);
    void setArcEndColor(const QColor& color);

    void setResetValue(qint32 value) { reset = value; }
    qint32 resetValue() const { return reset; }

    // The open text field, or null.
    LineEdit* textEditor() const { return editor.data(); }

public Q_SLOTS:
    void inputCompletion();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    QPoint knobCentre() const;
    qint32 knobRadius() const;
    // The knob square extended by the arc margins.
    QRect arcRect() const;

private:
    QRect faceRect() const;
    QRect editorBox() const;
    bool editorOpen() const;
    void endDrag();

    bool dragging = false;
    qint32 mode = Circular;
    QString unit;
    QPointer<LineEdit> editor;
    QSize editorSize{0, 0};
    QMargins margins;
    QColor arcStart = Qt::black;
    QColor arcEnd = Qt::white;
    qint32 reset = 0;
    qint32 editorMargin = 15;
    DragTracker tracker;
};
