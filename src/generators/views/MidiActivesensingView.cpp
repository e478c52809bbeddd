#include "MidiActivesensingView.h"

#include "MidiActivesenseTransmittionThread.h"
#include "MidiLedCombinedDial.h"
#include "VantelMidiModel.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QDataStream>
#include <QPushButton>
#include <QVBoxLayout>

MidiActivesensingView::MidiActivesensingView(QWidget* parent, VantelMidiModel* aModel, ViewHost* host)
    : QFrame(parent), model(aModel)
{
    viewKind = ViewKind::ActiveSensing;
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QVBoxLayout(this);

    knob = new MidiLedCombinedDial(this);
    knob->setFocusPolicy(Qt::StrongFocus);
    knob->setAccessibleName(tr("Interval"));
    knob->setRange(MinimumInterval, MaximumInterval);
    knob->setValue(DefaultInterval);
    knob->setResetValue(DefaultInterval);
    knob->setSuffix(QStringLiteral(" ms"));
    knob->setTextEditorSize(QSize(50, 20));
    knob->setArcMargins(-3, -3, -3, -3);
    knob->setArcStartColor(QColor(84, 0, 0));
    knob->setArcEndColor(QColor(255, 245, 245));
    knob->setAutoOff(false);
    knob->setLedOnColor(Qt::yellow);
    knob->setLedOffColor(QColor(27, 27, 0));
    model->addDial(knob);
    layout->addWidget(knob, 1);

    thread = new MidiActivesenseTransmittionThread(host);
    thread->setInterval(DefaultInterval);
    thread->setTransmitting(false);

    button = new QPushButton(this);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAccessibleName(tr("Transmit/Stop"));
    button->setAutoFillBackground(true);
    button->setCheckable(true);
    button->setChecked(false);
    button->setText(tr("Transmit"));
    layout->addWidget(button);
    knob->setLed(false);

    connect(knob, &QDial::valueChanged, this, &MidiActivesensingView::updatedKnobValue);
    connect(button, &QPushButton::toggled, this, &MidiActivesensingView::updatedplayButton);
    model->setModified(1);
}

MidiActivesensingView::~MidiActivesensingView()
{
    releaseThread();
    model->removeDial(knob);
}

void MidiActivesensingView::releaseThread()
{
    if (thread == nullptr)
        return;
    thread->release();
    thread = nullptr;
}

void MidiActivesensingView::updatedKnobValue(qint32 value)
{
    model->setModified(1);
    if (thread != nullptr)
        thread->setInterval(value);
}

void MidiActivesensingView::updatedplayButton(bool checked)
{
    model->setModified(1);
    button->setText(checked ? tr("Stop") : tr("Transmit"));
    if (thread != nullptr)
        thread->setTransmitting(checked);
    knob->setLed(checked);
}

void MidiActivesensingView::closeEvent(QCloseEvent* event)
{
    releaseThread();
    model->setModified(1);
    QFrame::closeEvent(event);
}

bool MidiActivesensingView::writeToStream(QDataStream& stream)
{
    FileStream::writeIntField(stream, 0, knob->value());
    FileStream::writeIntField(stream, 1, button->isChecked() ? 1 : 0);
    return stream.status() == QDataStream::Ok;
}

bool MidiActivesensingView::readFromStream(QDataStream& stream)
{
    qint32 value = 0;
    if (FileStream::readIntField(stream, 0, &value) && value >= MinimumInterval && value <= MaximumInterval)
        knob->setValue(value);
    if (FileStream::readIntField(stream, 1, &value))
        button->setChecked(value >= 1);
    return true;
}
