#include "MidiKeyboardUpperView.h"

#include "SpinBox.h"

#include <QComboBox>
#include <QLabel>

namespace {

void addLabel(QWidget* parent, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
}

SpinBox* addSpinBox(QWidget* parent, int minimum, int maximum, int value, const QString& name,
                    const QRect& geometry)
{
    auto* box = new SpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setResetValue(value);
    box->setAlignment(Qt::AlignRight);
    box->setAccessibleName(name);
    box->setGeometry(geometry);
    return box;
}

} // namespace

MidiKeyboardUpperView::MidiKeyboardUpperView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    addLabel(this, tr("Channel"), QRect(15, 8, 52, 23));
    channel = addSpinBox(this, 1, 16, 1, tr("Channel"), QRect(75, 10, 70, 20));
    addLabel(this, tr("NoteOn Vel."), QRect(157, 8, 90, 23));
    noteOnVelocity = addSpinBox(this, 0, 127, 64, tr("Note On Velocity"), QRect(237, 10, 70, 20));
    addLabel(this, tr("NoteOff Vel."), QRect(320, 8, 90, 23));
    noteOffVelocity = addSpinBox(this, 0, 127, 0, tr("Note Off Velocity"), QRect(403, 10, 70, 20));
    addLabel(this, tr("Pressure"), QRect(485, 8, 55, 23));
    pressure = new QComboBox(this);
    pressure->addItems({tr("Off"), tr("Channel"), tr("Key")});
    pressure->setFocusPolicy(Qt::StrongFocus);
    pressure->setAccessibleName(tr("Pressure"));
    pressure->setGeometry(548, 10, 80, 20);
}

void MidiKeyboardUpperView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    channel->setFocus(Qt::OtherFocusReason);
}
