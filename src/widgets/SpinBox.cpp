#include "SpinBox.h"

#include "SpinBoxSlider.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>

SpinBox::SpinBox(QWidget* parent) : QSpinBox(parent)
{
    current = QSpinBox::value();
    connect(this, &QAbstractSpinBox::editingFinished, this, &SpinBox::inputCompletion);
    lineEdit()->installEventFilter(this);
    lineEdit()->setReadOnly(true);
    connect(lineEdit(), &QLineEdit::selectionChanged, this, &SpinBox::lineEditSelectionChanged);
    overlay = new SpinBoxSlider(this);
    overlay->setGeometry(rect());
    overlay->raise();
}

void SpinBox::update(qint32)
{
    current = getValue();
    QSpinBox::setValue(current);
}

void SpinBox::connectionChanged()
{
    if (!isConnected())
        return;
    qint32 errorMin = 0;
    qint32 errorMax = 0;
    const qint32 min = getMinimum(&errorMin);
    const qint32 max = getMaximum(&errorMax);
    // An unregistered id has no range; keep the one the view gave.
    if (errorMin == 0 && errorMax == 0)
        setRange(min, max);
}

void SpinBox::setValue(qint32 value)
{
    QSpinBox::setValue(value);
    // The shown value is the range-bounded one.
    current = QSpinBox::value();
}

void SpinBox::setShowPlus(bool show)
{
    if (plus == show)
        return;
    plus = show;
    // Re-render the text of the unchanged value.
    QSpinBox::setValue(QSpinBox::value());
}

void SpinBox::commitValue(qint32 value)
{
    if (value == current)
        return;
    current = value;
    if (QSpinBox::value() != value)
        QSpinBox::setValue(value);
    ModelConnection::setValue(value);
    Q_EMIT widgetValueChanged(value);
}

void SpinBox::setValueFromSlider(qint32 value)
{
    commitValue(value);
}

void SpinBox::resetToDefault()
{
    qint32 error = 1;
    qint32 value = viewResetValue;
    if (isConnected()) {
        const qint32 def = getDefault(&error);
        if (error == 0)
            value = def;
    }
    if (value == current)
        return;
    // Shown and stored here as well as through the model, so that the box is right even when
    // the parameter already held this value (no notification then) or the box is not connected.
    current = value;
    QSpinBox::setValue(value);
    ModelConnection::setValue(value);
    Q_EMIT widgetValueChanged(value);
}

void SpinBox::beginTextInput()
{
    overlay->hide();
    lineEdit()->setReadOnly(false);
    setFocus(Qt::MouseFocusReason);
    lineEdit()->selectAll();
}

bool SpinBox::isTextInputActive() const
{
    return !lineEdit()->isReadOnly();
}

void SpinBox::endTextInput()
{
    lineEdit()->setReadOnly(true);
    lineEdit()->deselect();
    overlay->setGeometry(rect());
    overlay->show();
    overlay->raise();
}

void SpinBox::inputCompletion()
{
    // Opening the context menu takes the focus away, which must not count as the end of input.
    if (menuOpen)
        return;
    bool ok = false;
    const qint32 typed = cleanText().trimmed().toInt(&ok, 10);
    if (ok)
        commitValue(qBound(minimum(), typed, maximum()));
    // Puts back the canonical text of the current value ("+3", not "03"; the old value when the
    // text was not a number).
    QSpinBox::setValue(current);
    endTextInput();
}

void SpinBox::lineEditSelectionChanged()
{
    if (lineEdit()->isReadOnly() && lineEdit()->hasSelectedText())
        lineEdit()->deselect();
}

QString SpinBox::textFromValue(int value) const
{
    const QString text = QSpinBox::textFromValue(value);
    if (plus && value >= 1)
        return QLatin1Char('+') + text;
    return text;
}

void SpinBox::stepBy(int steps)
{
    QSpinBox::stepBy(steps);
    const qint32 shown = QSpinBox::value();
    if (shown != current) {
        current = shown;
        ModelConnection::setValue(shown);
        Q_EMIT widgetValueChanged(shown);
    }
    if (lineEdit()->isReadOnly())
        lineEdit()->deselect();
}

bool SpinBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ControlModifier)) {
            resetToDefault();
            return true;
        }
    }
    return QSpinBox::eventFilter(watched, event);
}

void SpinBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        resetToDefault();
        return;
    }
    QSpinBox::mousePressEvent(event);
}

void SpinBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isTextInputActive()) {
        event->accept();
        QSpinBox::setValue(current);
        endTextInput();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void SpinBox::contextMenuEvent(QContextMenuEvent* event)
{
    if (!isTextInputActive()) {
        event->accept();
        return;
    }
    QPointer<SpinBox> guard(this);
    menuOpen = true;
    QSpinBox::contextMenuEvent(event);
    if (guard)
        menuOpen = false;
}

void SpinBox::resizeEvent(QResizeEvent* event)
{
    QSpinBox::resizeEvent(event);
    overlay->setGeometry(rect());
}
