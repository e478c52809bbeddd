#include "RepeatSettingsView.h"

#include "CheckBox.h"
#include "PushButton.h"
#include "SpinBox.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

RepeatSettingsView::RepeatSettingsView(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    auto* panel = new QWidget(this);
    panel->setFixedSize(230, 23);
    // The panel's places are fixed; a small type keeps "Interval (ms)" inside its 80 pixels with
    // the wider fonts of some desktops.
    QFont small = panel->font();
    small.setPixelSize(11);
    panel->setFont(small);
    repeat = new CheckBox(tr("Repeat"), panel);
    repeat->setGeometry(0, 0, 70, 23);
    auto* label = new QLabel(tr("Interval (ms)"), panel);
    label->setGeometry(70, 0, 80, 23);
    interval = new SpinBox(panel);
    interval->setGeometry(160, 0, 70, 20);
    interval->setRange(500, 5000);
    interval->setValue(1000);
    interval->setResetValue(1000);
    interval->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* close = new PushButton(this);
    close->setFixedSize(32, 32);
    close->setFocusPolicy(Qt::NoFocus);
    QPixmap image(QStringLiteral(":/images/close.png"));
    image.setDevicePixelRatio(2.0);
    close->setImage(image);
    close->setToolTip(tr("Close"));
    connect(close, &QAbstractButton::released, this, &RepeatSettingsView::closeButtonPressed);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(panel, 0, Qt::AlignLeft);
    layout->addStretch(1);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void RepeatSettingsView::setTextArea(QWidget* textArea)
{
    if (focusTarget != nullptr)
        focusTarget->removeEventFilter(this);
    focusTarget = textArea;
    if (textArea != nullptr)
        textArea->installEventFilter(this);
}

bool RepeatSettingsView::isRepeatChecked() const
{
    return repeat->isChecked();
}

qint32 RepeatSettingsView::intervalValue() const
{
    return interval->value();
}

void RepeatSettingsView::closeButtonPressed()
{
    if (focusTarget != nullptr)
        focusTarget->setFocus();
    hide();
}

bool RepeatSettingsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == focusTarget.data() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_R && (key->modifiers() & Qt::ControlModifier))
            show();
    }
    return QWidget::eventFilter(watched, event);
}

void RepeatSettingsView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::gray);
    painter.drawLine(0, 0, width() - 1, 0);
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}
