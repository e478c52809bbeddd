#include "MidiProgramChangeView.h"

#include "SevenSegment.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr quint8 controlChangeLabel = 3;
constexpr quint8 programChangeLabel = 4;

SpinBox* valueBox(qint32 minimum, qint32 maximum, qint32 value, const QString& accessibleName)
{
    auto* box = new SpinBox;
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setResetValue(value);
    box->setAlignment(Qt::AlignRight);
    box->setFixedHeight(20);
    box->setAccessibleName(accessibleName);
    return box;
}

QCheckBox* checkBox(const QString& text)
{
    auto* box = new QCheckBox(text);
    box->setFocusPolicy(Qt::StrongFocus);
    box->setAccessibleName(text);
    return box;
}

QPixmap image(const QString& path)
{
    QPixmap pixmap(path);
    pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

} // namespace

MidiProgramChangeView::MidiProgramChangeView(QWidget* parent, VantelMidiModel* aModel, ViewHost* aHost)
    : QFrame(parent), model(aModel), host(aHost)
{
    Q_ASSERT(model);
    viewKind = ViewKind::ProgramChange;
    base = model->getValue(ParamProgramNumberBase) == 0 ? 0 : 1;

    channel = valueBox(1, 16, 1, QStringLiteral("Channel"));
    msbCheck = checkBox(QStringLiteral("MSB"));
    msb = valueBox(0, 127, 0, QStringLiteral("Bank MSB Value"));
    lsbCheck = checkBox(QStringLiteral("LSB"));
    lsb = valueBox(0, 127, 0, QStringLiteral("Bank LSB Value"));

    auto* inner = new QFormLayout;
    inner->addRow(QStringLiteral("Channel"), channel);
    inner->addRow(new QLabel(QStringLiteral("Bank")));
    inner->addRow(msbCheck, msb);
    inner->addRow(lsbCheck, lsb);

    program = new SevenSegment;
    program->setFocusPolicy(Qt::StrongFocus);
    program->setFixedSize(132, 48);
    program->setDigitImage(image(QStringLiteral(":/images/7seg.png")));
    program->setUpButton(image(QStringLiteral(":/images/up_arrow_button.png")), QRect(114, 0, 18, 24));
    program->setDownButton(image(QStringLiteral(":/images/down_arrow_button.png")), QRect(114, 24, 18, 24));
    program->setAccessibleName(QStringLiteral("Program Number"));
    showProgram(base, base);

    auto* programBox = new QVBoxLayout;
    programBox->addWidget(new QLabel(QStringLiteral("Program Number")));
    programBox->addWidget(program, 0, Qt::AlignRight);

    autoTransmit = checkBox(QStringLiteral("Auto Transmit"));
    transmit = new QPushButton(QStringLiteral("Transmit"));
    transmit->setFocusPolicy(Qt::StrongFocus);

    auto* outer = new QFormLayout(this);
    outer->addRow(inner);
    outer->addRow(programBox);
    outer->addRow(autoTransmit);
    outer->addRow(transmit);

    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);

    connect(channel, &SpinBox::widgetValueChanged, this, &MidiProgramChangeView::updateChannel);
    connect(msb, &SpinBox::widgetValueChanged, this, &MidiProgramChangeView::updateMSB);
    connect(lsb, &SpinBox::widgetValueChanged, this, &MidiProgramChangeView::updateLSB);
    connect(program, &SevenSegment::valueChanged, this, &MidiProgramChangeView::updateProgramNumber);
    connect(msbCheck, &QCheckBox::toggled, this, &MidiProgramChangeView::updateCheckbox);
    connect(lsbCheck, &QCheckBox::toggled, this, &MidiProgramChangeView::updateCheckbox);
    connect(autoTransmit, &QCheckBox::toggled, this, &MidiProgramChangeView::updateCheckbox);
    connect(transmit, &QPushButton::pressed, this, &MidiProgramChangeView::transmitButtonPressed);

    model->addAssistant(this);
    model->setModified(1);
}

MidiProgramChangeView::~MidiProgramChangeView()
{
    model->removeAssistant(this);
}

void MidiProgramChangeView::showProgram(qint32 newBase, qint32 value)
{
    busy = true;
    // Base 1 counts 1..128, base 0 counts 0..127.
    program->setRange(newBase, 127 + newBase);
    program->setResetValue(newBase);
    program->setValue(value);
    busy = false;
}

void MidiProgramChangeView::changed()
{
    model->setModified(1);
    if (autoTransmit->isChecked())
        transmitGroup();
}

void MidiProgramChangeView::updateChannel(qint32 value)
{
    Q_UNUSED(value)
    changed();
}

void MidiProgramChangeView::updateMSB(qint32 value)
{
    Q_UNUSED(value)
    changed();
}

void MidiProgramChangeView::updateLSB(qint32 value)
{
    Q_UNUSED(value)
    changed();
}

void MidiProgramChangeView::updateProgramNumber(qint32 value)
{
    Q_UNUSED(value)
    if (!busy)
        changed();
}

void MidiProgramChangeView::transmitButtonPressed()
{
    transmitGroup();
}

void MidiProgramChangeView::updateCheckbox(bool checked)
{
    Q_UNUSED(checked)
    model->setModified(1);
}

void MidiProgramChangeView::transmitGroup()
{
    const quint8 status = quint8(channel->currentValue() - 1);
    if (msbCheck->isChecked()) {
        const quint8 bytes[3] = {quint8(0xB0 | status), 0x00, quint8(msb->currentValue())};
        host->sendToOutputPorts(bytes, 3, controlChangeLabel, 2);
    }
    if (lsbCheck->isChecked()) {
        const quint8 bytes[3] = {quint8(0xB0 | status), 0x20, quint8(lsb->currentValue())};
        host->sendToOutputPorts(bytes, 3, controlChangeLabel, 2);
    }
    const quint8 bytes[2] = {quint8(0xC0 | status), quint8(program->value() - base)};
    host->sendToOutputPorts(bytes, 2, programChangeLabel, 2);
}

void MidiProgramChangeView::parameterChanged(qint32 id)
{
    if (id != ParamProgramNumberBase)
        return;
    const qint32 newBase = model->getValue(ParamProgramNumberBase) == 0 ? 0 : 1;
    if (newBase == base)
        return;
    // The shown number is read before the range moves: the new range would clamp 128 to 127
    // and the same program would no longer be selected.
    const qint32 midiProgram = program->value() - base;
    base = newBase;
    showProgram(base, midiProgram + base);
}

bool MidiProgramChangeView::writeToStream(QDataStream& stream)
{
    return writeIntField(stream, 0, channel->currentValue()) &&
           writeIntField(stream, 1, msbCheck->isChecked() ? 1 : 0) &&
           writeIntField(stream, 2, msb->currentValue()) &&
           writeIntField(stream, 3, lsbCheck->isChecked() ? 1 : 0) &&
           writeIntField(stream, 4, lsb->currentValue()) && writeIntField(stream, 5, program->value()) &&
           writeIntField(stream, 6, autoTransmit->isChecked() ? 1 : 0) && writeIntField(stream, 7, base);
}

bool MidiProgramChangeView::readFromStream(QDataStream& stream)
{
    // Values outside a control's range (a damaged or foreign file) keep the control's default:
    // channel 0 would make a Program Change a 0xBF status.
    const auto restoreBox = [&stream](qint32 key, SpinBox* box) {
        qint32 value = 0;
        if (readIntField(stream, key, &value) && value >= box->minimum() && value <= box->maximum())
            box->setValue(value);
    };
    const auto restoreCheck = [&stream](qint32 key, QCheckBox* box) {
        qint32 value = 0;
        if (readIntField(stream, key, &value) && value >= 1)
            box->setChecked(true);
    };
    restoreBox(0, channel);
    restoreCheck(1, msbCheck);
    restoreBox(2, msb);
    restoreCheck(3, lsbCheck);
    restoreBox(4, lsb);
    qint32 shown = 0;
    const bool hasProgram = readIntField(stream, 5, &shown);
    restoreCheck(6, autoTransmit);
    qint32 savedBase = 1;
    if (!readIntField(stream, 7, &savedBase) || (savedBase != 0 && savedBase != 1))
        savedBase = 1;
    if (hasProgram) {
        const qint32 midiProgram = shown - savedBase;
        if (midiProgram >= 0 && midiProgram <= 127)
            showProgram(base, midiProgram + base);
    }
    return true;
}

void MidiProgramChangeView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    channel->setFocus();
}

void MidiProgramChangeView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    QFrame::closeEvent(event);
}
