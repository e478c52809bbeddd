#include "SevenSegment.h"

#include "LineEdit.h"
#include "PushButton.h"
#include "SevenSegmentSlider.h"

#include <QAccessible>
#include <QIntValidator>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace {

PushButton* stepButton(QWidget* parent)
{
    auto* button = new PushButton(parent);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    // No room is taken until the owner places the button.
    button->setGeometry(0, 0, 0, 0);
    return button;
}

} // namespace

SevenSegment::SevenSegment(QWidget* parent)
    : QWidget(parent), up(stepButton(this)), down(stepButton(this)), overlay(new SevenSegmentSlider(this))
{
    setFocusPolicy(Qt::WheelFocus);
    connect(up, &QAbstractButton::pressed, this, &SevenSegment::increase);
    connect(down, &QAbstractButton::pressed, this, &SevenSegment::decrease);
    overlay->setGeometry(digitRect());
    overlay->raise();
}

void SevenSegment::setValue(qint32 value)
{
    value = qBound(low, value, high);
    if (value == current)
        return;
    current = value;
    QAccessibleValueChangeEvent event(this, current);
    QAccessible::updateAccessibility(&event);
    QWidget::update();
    Q_EMIT valueChanged(current);
}

void SevenSegment::setRange(qint32 minimum, qint32 maximum)
{
    // A value beyond three digits would index past the digit strip.
    low = qBound(Lowest, minimum, Highest);
    high = qBound(low, maximum, Highest);
    setValue(current);
}

void SevenSegment::setDigitImage(const QPixmap& strip)
{
    digits = strip;
    QWidget::update();
}

void SevenSegment::setUpButton(const QPixmap& image, const QRect& geometry)
{
    up->setImage(image);
    up->setGeometry(geometry);
    overlay->setGeometry(digitRect());
}

void SevenSegment::setDownButton(const QPixmap& image, const QRect& geometry)
{
    down->setImage(image);
    down->setGeometry(geometry);
}

QRect SevenSegment::digitRect() const
{
    return QRect(0, 0, width() - up->width(), height());
}

bool SevenSegment::editorOpen() const
{
    return editor && editor->isVisible();
}

void SevenSegment::increase()
{
    if (!editorOpen())
        setValue(current + 1);
}

void SevenSegment::decrease()
{
    if (!editorOpen())
        setValue(current - 1);
}

void SevenSegment::beginTextInput()
{
    overlay->hide();
    delete editor.data();
    const QString text = QString::number(current);
    editor = new LineEdit(text, text, this);
    editor->setGeometry(digitRect());
    editor->setValidator(new QIntValidator(low, high, editor));
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editor->selectAll();
    connect(editor.data(), &QLineEdit::editingFinished, this, &SevenSegment::inputCompletion);
    // A click on a step button would otherwise give the focus to the display (the buttons take
    // none), and the field would commit on losing it; the buttons must do nothing while typing.
    setFocusProxy(editor);
    editor->show();
    editor->setFocus(Qt::MouseFocusReason);
}

void SevenSegment::inputCompletion()
{
    if (!editor)
        return;
    overlay->show();
    overlay->raise();
    setValue(editor->text().toInt(nullptr, 10));
    setFocusProxy(nullptr);
    // Hiding the focused field moves the focus away from it, which would commit a second time.
    const QSignalBlocker blocker(editor.data());
    const bool typing = editor->hasFocus();
    editor->hide();
    // After Return the keys belong to the display again; after a click elsewhere, to what was
    // clicked.
    if (typing)
        setFocus(Qt::OtherFocusReason);
}

void SevenSegment::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    if (digits.isNull())
        return;
    const int digitWidth = digits.width() / 10;
    const int step = static_cast<int>(static_cast<float>(width() - up->width()) / 3.0f);
    const int hundreds = current / 100;
    const int tens = (current - 100 * hundreds) / 10;
    const int ones = current % 10;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int shown[3] = {hundreds, tens, ones};
    for (int i = 0; i < 3; ++i)
        painter.drawPixmap(QPoint(i * step, 0), digits,
                           QRect(shown[i] * digitWidth, 0, digitWidth, digits.height()));
}

void SevenSegment::showEvent(QShowEvent* event)
{
    overlay->setGeometry(digitRect());
    QWidget::showEvent(event);
}

void SevenSegment::resizeEvent(QResizeEvent* event)
{
    overlay->setGeometry(digitRect());
    QWidget::resizeEvent(event);
}

void SevenSegment::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Up && event->key() != Qt::Key_Down) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->key() == Qt::Key_Up)
        increase();
    else
        decrease();
}

void SevenSegment::wheelEvent(QWheelEvent* event)
{
    event->accept();
    if (!editorOpen())
        setValue(current + event->angleDelta().y() / 120);
}

void SevenSegment::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        setValue(reset);
        return;
    }
    QWidget::mousePressEvent(event);
}

void SevenSegment::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    beginTextInput();
}
