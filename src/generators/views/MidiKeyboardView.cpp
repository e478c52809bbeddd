#include "MidiKeyboardView.h"

#include "MidiKeyboardUpperView.h"
#include "MidiKeyboardViewScrollArea.h"
#include "PressureKeyboard.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QComboBox>
#include <QDataStream>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int KeyWidth = 25;
constexpr int KeyHeight = 100;
constexpr int KeyboardWidth = KeyWidth * 75;
constexpr int KeyboardHeight = KeyHeight + 1;
constexpr int ScrollBarRoom = 20;

enum Kind : quint8
{
    NoteOffKind = 0,
    NoteOnKind = 1,
    KeyPressureKind = 2,
    ChannelPressureKind = 5,
};

// Sets a control from a saved field when the field is there and its value is one the control
// holds; anything else keeps the control as it is.
bool readInRange(QDataStream& stream, qint32 tag, qint32 minimum, qint32 maximum, qint32* value)
{
    return FileStream::readIntField(stream, tag, value) && *value >= minimum && *value <= maximum;
}

} // namespace

MidiKeyboardView::MidiKeyboardView(QWidget* parent, VantelMidiModel* aModel, ViewHost* aHost)
    : QFrame(parent), model(aModel), host(aHost)
{
    viewKind = ViewKind::Keyboard;
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    upper = new MidiKeyboardUpperView(this);
    upper->setFixedSize(640, 40);
    layout->addWidget(upper);

    scroll = new MidiKeyboardViewScrollArea(this, model);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    keys = new PressureKeyboard(nullptr, QSizeF(KeyWidth, KeyHeight));
    keys->setGeometry(0, 0, KeyboardWidth, KeyboardHeight);
    keys->setFocusPolicy(Qt::NoFocus);
    keys->setPressedColor(QColor(160, 160, 185));
    scroll->setWidget(keys);
    scroll->setGeometry(0, 0, KeyboardWidth, KeyboardHeight + ScrollBarRoom);
    scroll->setFixedHeight(KeyboardHeight + ScrollBarRoom);
    layout->addWidget(scroll);

    connect(keys, &Keyboard::noteOn, this, [this](qint32 note) {
        send(quint8(0x90 + channel), quint8(note), quint8(upper->noteOnVelocitySpinBox()->value()), 3,
             NoteOnKind);
    });
    connect(keys, &Keyboard::noteOff, this, [this](qint32 note) {
        send(quint8(0x80 + channel), quint8(note), quint8(upper->noteOffVelocitySpinBox()->value()), 3,
             NoteOffKind);
    });
    connect(keys, &PressureKeyboard::keyPressure, this, [this](qint32 note, qint32 value) {
        send(quint8(0xA0 + channel), quint8(note), quint8(value), 3, KeyPressureKind);
    });
    connect(keys, &PressureKeyboard::channelPressure, this,
            [this](qint32 value) { send(quint8(0xD0 + channel), quint8(value), 0, 2, ChannelPressureKind); });

    channel = quint8(upper->channelSpinBox()->value() - 1);
    model->setModified(1);

    connect(upper->channelSpinBox(), qOverload<int>(&QSpinBox::valueChanged), this,
            &MidiKeyboardView::noteChannelChanged);
    connect(upper->noteOnVelocitySpinBox(), qOverload<int>(&QSpinBox::valueChanged), this,
            &MidiKeyboardView::velocityChanged);
    connect(upper->noteOffVelocitySpinBox(), qOverload<int>(&QSpinBox::valueChanged), this,
            &MidiKeyboardView::velocityChanged);
    connect(upper->pressureComboBox(), qOverload<int>(&QComboBox::currentIndexChanged), this,
            &MidiKeyboardView::pressureChanged);

    keys->setMiddleC(model->getValue(ParamMiddleC));
    model->addAssistant(this);
}

MidiKeyboardView::~MidiKeyboardView()
{
    model->removeAssistant(this);
    // A view destroyed without a close (the main window going) still ends its notes; the host
    // outlives its views.
    releaseAllKeys();
}

void MidiKeyboardView::send(quint8 status, quint8 data1, quint8 data2, quint32 length, quint8 kind)
{
    const quint8 bytes[3] = {status, data1, data2};
    if (host != nullptr)
        host->sendToOutputPorts(bytes, length, kind, 2);
}

void MidiKeyboardView::releaseAllKeys()
{
    keys->releaseAllKeys();
}

void MidiKeyboardView::noteChannelChanged(qint32 value)
{
    // The held notes end on the channel they began on.
    keys->releaseAllKeys();
    channel = quint8(qBound(1, value, 16) - 1);
    model->setModified(1);
}

void MidiKeyboardView::velocityChanged(qint32 value)
{
    Q_UNUSED(value)
    model->setModified(1);
}

void MidiKeyboardView::pressureChanged(qint32 index)
{
    model->setModified(1);
    keys->setPressureMode(index);
}

void MidiKeyboardView::parameterChanged(qint32 id)
{
    if (id == ParamMiddleC)
        keys->setMiddleC(model->getValue(ParamMiddleC));
}

void MidiKeyboardView::closeEvent(QCloseEvent* event)
{
    releaseAllKeys();
    model->setModified(1);
    QFrame::closeEvent(event);
}

void MidiKeyboardView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    QScrollBar* bar = scroll->horizontalScrollBar();
    if (bar->maximum() > bar->minimum())
        bar->setValue(static_cast<int>((bar->maximum() - bar->minimum()) * 0.5));
}

bool MidiKeyboardView::writeToStream(QDataStream& stream)
{
    // Key 0 is written even without a scroll bar, so that every record has the same fields.
    FileStream::writeIntField(stream, 0, scroll->horizontalScrollBar()->value());
    FileStream::writeIntField(stream, 1, upper->channelSpinBox()->value());
    FileStream::writeIntField(stream, 2, upper->noteOnVelocitySpinBox()->value());
    FileStream::writeIntField(stream, 3, upper->pressureComboBox()->currentIndex());
    FileStream::writeIntField(stream, 4, upper->noteOffVelocitySpinBox()->value());
    return stream.status() == QDataStream::Ok;
}

bool MidiKeyboardView::readFromStream(QDataStream& stream)
{
    qint32 value = 0;
    QScrollBar* bar = scroll->horizontalScrollBar();
    if (readInRange(stream, 0, bar->minimum(), bar->maximum(), &value))
        bar->setValue(value);
    if (readInRange(stream, 1, 1, 16, &value))
        upper->channelSpinBox()->setValue(value);
    if (readInRange(stream, 2, 0, 127, &value))
        upper->noteOnVelocitySpinBox()->setValue(value);
    if (readInRange(stream, 3, 0, 2, &value))
        upper->pressureComboBox()->setCurrentIndex(value);
    if (readInRange(stream, 4, 0, 127, &value))
        upper->noteOffVelocitySpinBox()->setValue(value);
    return true;
}
