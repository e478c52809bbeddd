#include "MidiTransportPanelView.h"

#include "MidiTransportPanelPlayStopButton.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QDataStream>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

enum Kind : quint8
{
    SongPositionKind = 9,
    SongSelectKind = 10,
    StartKind = 13,
    ContinueKind = 14,
    StopKind = 15,
};

constexpr qint32 MaximumSongPosition = 16383;

SpinBox* addSpinBox(QWidget* parent, QHBoxLayout* row, int minimum, int maximum, const QString& name)
{
    auto* box = new SpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(minimum);
    box->setResetValue(minimum);
    box->setAlignment(Qt::AlignRight);
    box->setFixedHeight(20);
    box->setAccessibleName(name);
    row->addWidget(box);
    return box;
}

QPushButton* addTransmitButton(QWidget* parent, QHBoxLayout* row, const QString& name)
{
    auto* button = new QPushButton(QObject::tr("Transmit"), parent);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setCheckable(false);
    button->setAccessibleName(name);
    row->addWidget(button);
    return button;
}

MidiTransportPanelPlayStopButton* addImageButton(QWidget* parent, QHBoxLayout* row, const QString& image,
                                                 const QPoint& position, const QString& name)
{
    auto* button = new MidiTransportPanelPlayStopButton(parent);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setCheckable(false);
    button->setImage(QPixmap(image));
    button->setImagePosition(position.x(), position.y());
    button->setAutoCentre(true);
    button->setAccessibleName(name);
    button->setToolTip(name);
    row->addWidget(button);
    return button;
}

} // namespace

MidiTransportPanelView::MidiTransportPanelView(QWidget* parent, VantelMidiModel* aModel, ViewHost* aHost)
    : QFrame(parent), model(aModel), host(aHost)
{
    viewKind = ViewKind::StartStop;
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);

    auto* layout = new QFormLayout(this);
    layout->setSpacing(20);

    auto* numberRow = new QHBoxLayout;
    auto* numberLabel = new QLabel(tr("Song Number"), this);
    numberLabel->setAlignment(Qt::AlignCenter);
    numberRow->addWidget(numberLabel);
    songNumber = addSpinBox(this, numberRow, 1, 128, tr("Song Number"));
    songNumberTransmit = addTransmitButton(this, numberRow, tr("Song Number's Transmit"));
    layout->addRow(numberRow);

    auto* positionRow = new QHBoxLayout;
    auto* positionLabel = new QLabel(tr("Song Position"), this);
    positionLabel->setAlignment(Qt::AlignCenter);
    positionRow->addWidget(positionLabel);
    songPosition = addSpinBox(this, positionRow, 0, MaximumSongPosition, tr("Song Position"));
    songPositionTransmit = addTransmitButton(this, positionRow, tr("Song Position's Transmit"));
    layout->addRow(positionRow);

    auto* buttonRow = new QHBoxLayout;
    stop =
        addImageButton(this, buttonRow, QStringLiteral(":/images/fc_stop.png"), QPoint(15, 15), tr("Stop"));
    play = addImageButton(this, buttonRow, QStringLiteral(":/images/fb_continue.png"), QPoint(18, 15),
                          tr("Continue"));
    start =
        addImageButton(this, buttonRow, QStringLiteral(":/images/fa_play.png"), QPoint(15, 15), tr("Start"));
    layout->addRow(buttonRow);

    connect(songNumber, &SpinBox::widgetValueChanged, this, &MidiTransportPanelView::songNumberChanged);
    connect(songPosition, &SpinBox::widgetValueChanged, this, &MidiTransportPanelView::songPositionChanged);
    connect(songNumberTransmit, &QPushButton::pressed, this,
            &MidiTransportPanelView::songNumberTransmitButtonPressed);
    connect(songPositionTransmit, &QPushButton::pressed, this,
            &MidiTransportPanelView::songPositionTransmitButtnPressed);
    connect(stop, &QPushButton::pressed, this, &MidiTransportPanelView::stopButtonPressed);
    connect(play, &QPushButton::pressed, this, &MidiTransportPanelView::playButtonPressed);
    connect(start, &QPushButton::pressed, this, &MidiTransportPanelView::playFromFirstButtonPressed);
    model->setModified(1);
}

MidiTransportPanelView::~MidiTransportPanelView() = default;

void MidiTransportPanelView::songPositionBytes(qint32 position, quint8* lsb, quint8* msb)
{
    const bool valid = position >= 0 && position <= MaximumSongPosition;
    *lsb = valid ? quint8(position & 0x7F) : 0;
    *msb = valid ? quint8((position >> 7) & 0x7F) : 0;
}

void MidiTransportPanelView::send(const quint8* bytes, quint32 length, quint8 kind)
{
    if (host != nullptr)
        host->sendToOutputPorts(bytes, length, kind, 2);
}

void MidiTransportPanelView::sendSongSelect(qint32 number)
{
    // Songs are shown from 1 and sent from 0.
    const quint8 bytes[2] = {0xF3, quint8(qBound(1, number, 128) - 1)};
    send(bytes, 2, SongSelectKind);
}

void MidiTransportPanelView::sendSongPosition(qint32 position)
{
    quint8 bytes[3] = {0xF2, 0, 0};
    songPositionBytes(position, &bytes[1], &bytes[2]);
    send(bytes, 3, SongPositionKind);
}

void MidiTransportPanelView::playButtonPressed()
{
    const quint8 byte = 0xFB;
    send(&byte, 1, ContinueKind);
}

void MidiTransportPanelView::stopButtonPressed()
{
    const quint8 byte = 0xFC;
    send(&byte, 1, StopKind);
}

void MidiTransportPanelView::playFromFirstButtonPressed()
{
    const quint8 byte = 0xFA;
    send(&byte, 1, StartKind);
}

void MidiTransportPanelView::songNumberChanged(qint32 value)
{
    model->setModified(1);
    sendSongSelect(value);
}

void MidiTransportPanelView::songPositionChanged(qint32 value)
{
    model->setModified(1);
    sendSongPosition(value);
}

void MidiTransportPanelView::songNumberTransmitButtonPressed()
{
    sendSongSelect(songNumber->currentValue());
}

void MidiTransportPanelView::songPositionTransmitButtnPressed()
{
    sendSongPosition(songPosition->currentValue());
}

void MidiTransportPanelView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    QFrame::closeEvent(event);
}

bool MidiTransportPanelView::writeToStream(QDataStream& stream)
{
    FileStream::writeIntField(stream, 0, songNumber->currentValue());
    FileStream::writeIntField(stream, 1, songPosition->currentValue());
    return stream.status() == QDataStream::Ok;
}

bool MidiTransportPanelView::readFromStream(QDataStream& stream)
{
    // Restored silently: opening a project sends nothing from here.
    qint32 value = 0;
    if (FileStream::readIntField(stream, 0, &value) && value >= 1 && value <= 128)
        songNumber->setValue(value);
    if (FileStream::readIntField(stream, 1, &value) && value >= 0 && value <= MaximumSongPosition)
        songPosition->setValue(value);
    return true;
}
