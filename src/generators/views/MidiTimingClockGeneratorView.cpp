#include "MidiTimingClockGeneratorView.h"

#include "MidiLedCombinedDial.h"
#include "MidiTimingClockPlayStopButton.h"
#include "MidiTimingClockTransmittionThread.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QDataStream>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

MidiTimingClockGeneratorView::MidiTimingClockGeneratorView(QWidget* parent, VantelMidiModel* aModel,
                                                           ViewHost* host)
    : QFrame(parent), model(aModel)
{
    viewKind = ViewKind::TimingClock;
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    auto* layout = new QVBoxLayout(this);
    auto* receiveRow = new QHBoxLayout;
    receiveCaption = new QLabel(tr("Receive"), this);
    receiveCaption->setFixedHeight(20);
    receivedTempo = new QLabel(this);
    receivedTempo->setFixedHeight(20);
    receivedTempo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    receivedTempo->setFrameStyle(QFrame::Box | QFrame::Plain);
    receiveRow->addWidget(receiveCaption);
    receiveRow->addWidget(receivedTempo, 1);
    layout->addLayout(receiveRow);

    auto* transmitRow = new QHBoxLayout;
    auto* transmitCaption = new QLabel(tr("Transmit"), this);
    transmitCaption->setFixedHeight(20);
    auto* spacer = new QLabel(this);
    spacer->setFixedHeight(20);
    transmitRow->addWidget(transmitCaption);
    transmitRow->addWidget(spacer, 1);
    layout->addLayout(transmitRow);

    knob = new MidiLedCombinedDial(this);
    knob->setFocusPolicy(Qt::StrongFocus);
    knob->setRange(MinimumTempo, MaximumTempo);
    knob->setValue(DefaultTempo);
    knob->setResetValue(DefaultTempo);
    knob->setSuffix(QStringLiteral(" BPM"));
    knob->setTextEditorSize(QSize(50, 20));
    knob->setArcMargins(-3, -3, -3, -3);
    knob->setArcStartColor(QColor(84, 0, 0));
    knob->setArcEndColor(QColor(255, 245, 245));
    knob->setLedOnColor(Qt::yellow);
    knob->setLedOffColor(QColor(27, 27, 0));
    knob->setAccessibleName(tr("Tempo"));
    model->addDial(knob);
    layout->addWidget(knob, 1);

    button = new MidiTimingClockPlayStopButton(this);
    button->setCheckable(true);
    button->setChecked(false);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoFillBackground(true);
    // Four frames drawn at twice the display resolution.
    const QPixmap strip(QStringLiteral(":/images/playstop.png"));
    button->setImage(strip, QSize(15, 15));
    button->setAccessibleName(tr("Play/Stop"));
    layout->addWidget(button);

    thread = new MidiTimingClockTransmittionThread(host);
    thread->setTempo(knob->value() * 10);
    thread->setPlaying(false);
    connect(thread, &MidiTimingClockTransmittionThread::blinkLed, knob, &MidiLedCombinedDial::ledOn);
    connect(knob, &QDial::valueChanged, this, &MidiTimingClockGeneratorView::updatedKnobValue);
    connect(button, &QPushButton::toggled, this, &MidiTimingClockGeneratorView::updatedplayButton);
    model->setModified(1);
    model->addAssistant(this);
    applyParser();
    setReceivedTempo(0);
}

MidiTimingClockGeneratorView::~MidiTimingClockGeneratorView()
{
    model->removeAssistant(this);
    releaseThread();
    model->removeDial(knob);
}

void MidiTimingClockGeneratorView::releaseThread()
{
    if (thread == nullptr)
        return;
    thread->release();
    thread = nullptr;
}

QString MidiTimingClockGeneratorView::tempoText(quint64 tenths)
{
    const float bpm = static_cast<float>(tenths) / 10.0f;
    const quint64 n = static_cast<quint64>(bpm + 0.5f);
    if (n < quint64(MinimumTempo))
        return QStringLiteral("---");
    if (n > quint64(MaximumTempo))
        return QString::number(MaximumTempo);
    return QString::number(n);
}

void MidiTimingClockGeneratorView::setReceivedTempo(quint64 tenths)
{
    const QString text = tempoText(tenths) + QStringLiteral(" BPM");
    if (receivedTempo->text() != text)
        receivedTempo->setText(text);
}

void MidiTimingClockGeneratorView::updatedKnobValue(qint32 value)
{
    model->setModified(1);
    if (thread != nullptr)
        thread->setTempo(value * 10);
}

void MidiTimingClockGeneratorView::updatedplayButton(bool checked)
{
    model->setModified(1);
    if (thread != nullptr)
        thread->setPlaying(checked);
}

void MidiTimingClockGeneratorView::parameterChanged(qint32 id)
{
    if (id == ParamParser)
        applyParser();
}

void MidiTimingClockGeneratorView::applyParser()
{
    // The tempo is measured by the parser; without it the row has nothing to show.
    const bool on = model->getValue(ParamParser) >= 1;
    const QString tip = on ? QString()
                           : tr("%1 function is currently disabled.\nTurn On File > Preferences > Parser.")
                                 .arg(receiveCaption->text());
    for (QLabel* label : {receiveCaption, receivedTempo}) {
        label->setEnabled(on);
        label->setToolTip(tip);
    }
}

void MidiTimingClockGeneratorView::closeEvent(QCloseEvent* event)
{
    releaseThread();
    model->setModified(1);
    QFrame::closeEvent(event);
}

void MidiTimingClockGeneratorView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    knob->setFocus(Qt::OtherFocusReason);
}

bool MidiTimingClockGeneratorView::writeToStream(QDataStream& stream)
{
    FileStream::writeIntField(stream, 0, knob->value());
    FileStream::writeIntField(stream, 1, button->isChecked() ? 1 : 0);
    return stream.status() == QDataStream::Ok;
}

bool MidiTimingClockGeneratorView::readFromStream(QDataStream& stream)
{
    qint32 value = 0;
    if (FileStream::readIntField(stream, 0, &value) && value >= MinimumTempo && value <= MaximumTempo)
        knob->setValue(value);
    if (FileStream::readIntField(stream, 1, &value))
        button->setChecked(value >= 1);
    return true;
}
