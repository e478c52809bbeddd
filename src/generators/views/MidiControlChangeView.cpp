#include "MidiControlChangeView.h"

#include "Dial.h"
#include "MidiControllerNames.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QComboBox>
#include <QDataStream>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr quint8 ControlChangeKind = 3;

bool readInRange(QDataStream& stream, qint32 tag, qint32 minimum, qint32 maximum, qint32* value)
{
    return FileStream::readIntField(stream, tag, value) && *value >= minimum && *value <= maximum;
}

} // namespace

MidiControlChangeView::MidiControlChangeView(QWidget* parent, VantelMidiModel* aModel, ViewHost* aHost,
                                             qint32 number)
    : QFrame(parent), model(aModel), host(aHost)
{
    number = qBound(0, number, MidiControllerNames::Count - 1);
    viewKind = ViewKind::ControlChange;
    extraValues = {QVariant(quint32(number)), QVariant(quint32(0))};
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    auto* layout = new QVBoxLayout(this);
    auto* channelRow = new QHBoxLayout;
    channelRow->addWidget(new QLabel(tr("Channel"), this));
    channel = new SpinBox(this);
    channel->setRange(1, 16);
    channel->setValue(1);
    channel->setResetValue(1);
    channel->setAlignment(Qt::AlignRight);
    channel->setFixedHeight(20);
    channel->setAccessibleName(tr("Channel"));
    channelRow->addWidget(channel);
    layout->addLayout(channelRow);

    controller = new QComboBox(this);
    for (int i = 0; i < MidiControllerNames::Count; ++i)
        controller->addItem(MidiControllerNames::name(i));
    controller->setCurrentIndex(number);
    controller->setFocusPolicy(Qt::StrongFocus);
    controller->setAccessibleName(tr("Control Change Number"));
    layout->addWidget(controller);

    knob = new Dial(this);
    knob->setRange(0, 127);
    knob->setValue(MidiControllerNames::defaultValue(number));
    knob->setResetValue(MidiControllerNames::defaultValue(number));
    knob->setTextEditorSize(QSize(50, 20));
    knob->setArcMargins(-3, -3, -3, -3);
    knob->setArcStartColor(QColor(84, 0, 0));
    knob->setArcEndColor(QColor(255, 245, 245));
    knob->setFocusPolicy(Qt::StrongFocus);
    knob->setAccessibleName(tr("Control Change Value"));
    model->addDial(knob);
    layout->addWidget(knob, 1);

    transmit = new QPushButton(tr("Transmit"), this);
    transmit->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(transmit);

    connect(channel, qOverload<int>(&QSpinBox::valueChanged), this,
            &MidiControlChangeView::updateControlChangeChannel);
    connect(controller, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &MidiControlChangeView::controlChangeNumberChanged);
    connect(knob, &QDial::valueChanged, this, &MidiControlChangeView::updateControlChangeValue);
    connect(transmit, &QPushButton::pressed, this, &MidiControlChangeView::transmitButtonPressed);
    model->setModified(1);
}

MidiControlChangeView::~MidiControlChangeView()
{
    model->removeDial(knob);
}

void MidiControlChangeView::updateControlChangeChannel(qint32 value)
{
    Q_UNUSED(value)
    model->setModified(1);
}

void MidiControlChangeView::updateControlChangeValue(qint32 value)
{
    model->setModified(1);
    sendValue(value);
}

void MidiControlChangeView::controlChangeNumberChanged(qint32 number)
{
    model->setModified(1);
    if (number < 0 || number >= MidiControllerNames::Count)
        return;
    extraValues[0] = QVariant(quint32(number));
    // The knob stays where it is; only its reset goes to the new controller's default.
    knob->setResetValue(MidiControllerNames::defaultValue(number));
}

void MidiControlChangeView::transmitButtonPressed()
{
    sendValue(knob->value());
}

void MidiControlChangeView::sendValue(qint32 value)
{
    if (host == nullptr || host->isLoadingProject())
        return;
    const quint8 bytes[3] = {quint8(0xB0 + channel->value() - 1), quint8(controller->currentIndex()),
                             quint8(value)};
    host->sendToOutputPorts(bytes, 3, ControlChangeKind, 2);
}

void MidiControlChangeView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    QFrame::closeEvent(event);
}

void MidiControlChangeView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    channel->setFocus(Qt::OtherFocusReason);
}

bool MidiControlChangeView::writeToStream(QDataStream& stream)
{
    FileStream::writeIntField(stream, 0, channel->value());
    FileStream::writeIntField(stream, 1, controller->currentIndex());
    FileStream::writeIntField(stream, 2, knob->value());
    FileStream::writeIntField(stream, 3, 0);
    return stream.status() == QDataStream::Ok;
}

bool MidiControlChangeView::readFromStream(QDataStream& stream)
{
    qint32 value = 0;
    if (readInRange(stream, 0, 1, 16, &value))
        channel->setValue(value);
    if (readInRange(stream, 1, 0, MidiControllerNames::Count - 1, &value))
        controller->setCurrentIndex(value);
    if (readInRange(stream, 2, 0, 127, &value))
        knob->setValue(value);
    FileStream::readIntField(stream, 3, &value);
    return true;
}
