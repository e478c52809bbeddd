#include "Dial.h"

#include "LineEdit.h"

#include <QConicalGradient>
#include <QIntValidator>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <cmath>

Dial::Dial(QWidget* parent)
    : QDial(parent), tracker(
                         this, [this] { return minimum(); }, [this] { return maximum(); },
                         [this](qint32 v) { setValue(v); }, [this] { return value(); })
{
}

void Dial::update(qint32)
{
    setValue(getValue());
}

void Dial::setKnobMode(qint32 knobMode)
{
    if (knobMode == mode)
        return;
    // A drag begun in one mode cannot be finished by the other's handling.
    endDrag();
    mode = knobMode;
}

void Dial::setSuffix(const QString& text)
{
    unit = text;
    QWidget::update();
}

void Dial::setArcMargins(qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    margins = QMargins(left, top, right, bottom);
    QWidget::update();
}

void Dial::setArcStartColor(const QColor& color)
{
    arcStart = color;
    QWidget::update();
}

void Dial::setArcEndColor(const QColor& color)
{
    arcEnd = color;
    QWidget::update();
}

QPoint Dial::knobCentre() const
{
    return QPoint(qRound(width() * 0.5), qRound(height() * 0.5));
}

qint32 Dial::knobRadius() const
{
    return qRound(qMin(width(), height()) * 0.5);
}

QRect Dial::arcRect() const
{
    const QPoint c = knobCentre();
    const qint32 r = knobRadius();
    return QRect(c.x() - r, c.y() - r, 2 * r, 2 * r).marginsAdded(margins);
}

QRect Dial::faceRect() const
{
    const qint32 r = knobRadius();
    const double s = r / 6.0;
    const int left = static_cast<int>((width() - 2 * r) * 0.5 + s + 1);
    const int top = static_cast<int>((height() - 2 * r) * 0.5 + s + 1);
    const int side = static_cast<int>(2 * r - 2 * s - 2);
    return QRect(left, top, side, side);
}

QRect Dial::editorBox() const
{
    const QPoint c = knobCentre();
    QRect box(c.x() - editorSize.width() / 2, c.y() - editorSize.height() / 2, editorSize.width(),
              editorSize.height());
    // On a small knob the box would cover the rim, where presses must turn the knob.
    const QRect face = faceRect();
    if (box.left() < face.left() + editorMargin) {
        box.setLeft(face.left() + editorMargin);
        box.setWidth(face.width() - 2 * editorMargin);
    }
    return box;
}

bool Dial::editorOpen() const
{
    return editor && editor->isVisible();
}

void Dial::endDrag()
{
    if (!dragging)
        return;
    dragging = false;
    tracker.release();
    setSliderDown(false);
}

void Dial::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        setValue(reset);
        return;
    }
    if (mode == Circular && editorBox().contains(event->pos()))
        return;
    const QPoint d = event->pos() - knobCentre();
    if (qRound(std::hypot(d.x(), d.y())) > knobRadius())
        return;
    dragging = true;
    if (mode == Linear)
        tracker.mousePress(event);
    else
        QDial::mousePressEvent(event);
}

void Dial::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!dragging)
        return;
    if (mode == Linear)
        tracker.mouseMove(event);
    else
        QDial::mouseMoveEvent(event);
}

void Dial::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!dragging)
        return;
    if (mode == Linear)
        tracker.mouseRelease(event);
    else
        QDial::mouseReleaseEvent(event);
    dragging = false;
}

void Dial::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !editorBox().contains(event->pos())) {
        QDial::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    // In linear mode the first press of the double-click began a drag; the text input replaces it.
    endDrag();
    delete editor.data();
    const QString text = QString::number(value());
    editor = new LineEdit(text, text, this);
    editor->setGeometry(editorBox());
    editor->setValidator(new QIntValidator(minimum(), maximum(), editor));
    editor->setAlignment(Qt::AlignCenter);
    editor->selectAll();
    connect(editor.data(), &QLineEdit::editingFinished, this, &Dial::inputCompletion);
    editor->show();
    editor->setFocus(Qt::MouseFocusReason);
}

void Dial::inputCompletion()
{
    if (!editor)
        return;
    setValue(editor->text().toInt(nullptr, 10));
    // Hiding the focused field moves the focus away from it, which would commit a second time.
    const QSignalBlocker blocker(editor.data());
    const bool typing = editor->hasFocus();
    editor->hide();
    // After Return the keys belong to the knob again; after a click elsewhere, to what was clicked.
    if (typing)
        setFocus(Qt::OtherFocusReason);
}

void Dial::keyPressEvent(QKeyEvent* event)
{
    if (editorOpen()) {
        event->accept();
        return;
    }
    QDial::keyPressEvent(event);
}

void Dial::wheelEvent(QWheelEvent* event)
{
    event->accept();
    if (editorOpen())
        return;
    // Whole notches only: a fraction of one, from a smooth-scrolling device, changes nothing.
    const qint64 next = static_cast<qint64>(value()) + event->angleDelta().y() / 120;
    setValue(static_cast<qint32>(qBound<qint64>(minimum(), next, maximum())));
}

void Dial::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QConicalGradient gradient(knobCentre(), 270);
        gradient.setColorAt(0, arcStart);
        gradient.setColorAt(1, arcEnd);
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        // Open at the bottom: 60 degrees centred straight down.
        painter.drawPie(arcRect(), -60 * 16, 300 * 16);
    }
    QDial::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter, QString::number(value()) + unit);
}
