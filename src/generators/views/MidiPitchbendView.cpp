#include "MidiPitchbendView.h"

#include "MidiPitchbendSlider.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr quint8 pitchBendLabel = 6;
constexpr qint32 centreOffset = 8192;

} // namespace

MidiPitchbendView::MidiPitchbendView(QWidget* parent, VantelMidiModel* aModel, ViewHost* aHost)
    : QFrame(parent), model(aModel), host(aHost)
{
    Q_ASSERT(model);
    viewKind = ViewKind::PitchBend;

    channel = new SpinBox;
    channel->setRange(1, 16);
    channel->setValue(1);
    channel->setResetValue(1);
    channel->setAlignment(Qt::AlignRight);
    channel->setFixedHeight(20);
    channel->setAccessibleName(QStringLiteral("Channel"));
    auto* channelRow = new QHBoxLayout;
    channelRow->addWidget(new QLabel(QStringLiteral("Channel")));
    channelRow->addWidget(channel);

    wheelMode = new QCheckBox(QStringLiteral("Wheel Mode"));
    wheelMode->setFocusPolicy(Qt::StrongFocus);
    wheelMode->setChecked(true);
    wheelMode->setAccessibleName(QStringLiteral("Wheel Mode"));

    bender = new MidiPitchbendSlider;
    bender->setFocusPolicy(Qt::StrongFocus);
    bender->setAccessibleName(QStringLiteral("Pitch Bend Value"));
    bender->resize(43, 161);
    bender->setRange(0, 127);
    bender->setCentre(64);
    bender->setValue(64);
    QPalette black = bender->palette();
    black.setColor(QPalette::All, QPalette::Window, Qt::black);
    bender->setPalette(black);
    bender->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    valueBox = new SpinBox;
    valueBox->setRange(-8192, 8191);
    valueBox->setValue(0);
    valueBox->setResetValue(0);
    valueBox->setAlignment(Qt::AlignRight);
    valueBox->setFixedHeight(20);
    valueBox->setShowPlus(true);
    valueBox->setAccessibleName(QStringLiteral("Pitch Bend Value"));
    valueBox->setEnabled(false);

    transmit = new QPushButton(QStringLiteral("Transmit"));
    transmit->setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(channelRow);
    layout->addWidget(wheelMode);
    layout->addWidget(bender, 1, Qt::AlignHCenter);
    layout->addWidget(valueBox);
    layout->addWidget(transmit);

    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);

    connect(bender, &MidiPitchbendSlider::valueChanged, this, &MidiPitchbendView::sliderValueChanged);
    connect(channel, &SpinBox::widgetValueChanged, this, &MidiPitchbendView::updateChannel);
    connect(wheelMode, &QCheckBox::toggled, this, &MidiPitchbendView::updateWheelMode);
    connect(valueBox, &SpinBox::widgetValueChanged, this, &MidiPitchbendView::updatePitchbendValue);
    connect(transmit, &QPushButton::pressed, this, &MidiPitchbendView::transmitButtonPressed);

    model->setModified(1);
}

MidiPitchbendView::~MidiPitchbendView() = default;

qint32 MidiPitchbendView::fineByte(qint32 v)
{
    return v <= 64 ? 0 : (v - 64) * 127 / 63;
}

qint32 MidiPitchbendView::position(qint32 u)
{
    const qint32 m = u >> 7;
    const qint32 l = u & 0x7F;
    if (m <= 64)
        return m;
    return l < (m - 64) * 127 / 63 ? m - 1 : m;
}

void MidiPitchbendView::sendPitchbend(qint32 u)
{
    if (u < 0 || u > 16383)
        return;
    const quint8 bytes[3] = {quint8(0xE0 | (channel->currentValue() - 1)), quint8(u & 0x7F),
                             quint8((u >> 7) & 0x7F)};
    host->sendToOutputPorts(bytes, 3, pitchBendLabel, 2);
}

void MidiPitchbendView::sliderValueChanged(qint32 value)
{
    if (host->isLoadingProject() || busy)
        return;
    model->setModified(1);
    busy = true;
    const qint32 u = value * 128 + fineByte(value);
    sendPitchbend(u);
    valueBox->setValue(u - centreOffset);
    bender->setShownValue(u - centreOffset);
    busy = false;
}

void MidiPitchbendView::updateChannel(qint32 value)
{
    Q_UNUSED(value)
    model->setModified(1);
}

void MidiPitchbendView::updateWheelMode(bool checked)
{
    model->setModified(1);
    const bool atCentre = bender->value() == bender->centreValue();
    bender->setFreeMode(!checked);
    // A typed value can bend the device while the slider sits on its centre position; the slider
    // does not move then, so the centre is sent here.
    if (checked && atCentre && valueBox->currentValue() != 0)
        sliderValueChanged(bender->centreValue());
    valueBox->setEnabled(!checked);
}

void MidiPitchbendView::updatePitchbendValue(qint32 value)
{
    model->setModified(1);
    if (busy)
        return;
    busy = true;
    const qint32 u = value + centreOffset;
    sendPitchbend(u);
    bender->setValue(position(u));
    bender->setShownValue(value);
    busy = false;
}

void MidiPitchbendView::transmitButtonPressed()
{
    sendPitchbend(valueBox->currentValue() + centreOffset);
}

bool MidiPitchbendView::writeToStream(QDataStream& stream)
{
    return writeIntField(stream, 0, channel->currentValue()) &&
           writeIntField(stream, 1, wheelMode->isChecked() ? 1 : 0) &&
           writeIntField(stream, 2, valueBox->currentValue());
}

bool MidiPitchbendView::readFromStream(QDataStream& stream)
{
    // Restoring sends nothing, whoever restores; values outside a control's range keep its
    // default.
    busy = true;
    qint32 value = 0;
    if (readIntField(stream, 0, &value) && value >= 1 && value <= 16)
        channel->setValue(value);
    if (readIntField(stream, 1, &value))
        wheelMode->setChecked(value != 0);
    if (readIntField(stream, 2, &value) && value >= -8192 && value <= 8191) {
        valueBox->setValue(value);
        bender->setValue(position(value + centreOffset));
        bender->setShownValue(value);
    }
    busy = false;
    return true;
}

void MidiPitchbendView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    channel->setFocus();
}

void MidiPitchbendView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    QFrame::closeEvent(event);
}
