#include "MidiPCKeyboardView.h"

#include "CheckBox.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewKind.h"

#include <QCloseEvent>
#include <QLabel>

namespace {

SpinBox* addSpinBox(QWidget* parent, ModelIF* model, qint32 id, int y, const QString& accessibleName)
{
    auto* label = new QLabel(model->getName(id), parent);
    label->setGeometry(10, y, 100, 20);
    auto* box = new SpinBox(parent);
    box->setGeometry(100, y, 85, 20);
    box->setAlignment(Qt::AlignRight);
    box->setAccessibleName(accessibleName);
    box->setId(id);
    return box;
}

} // namespace

MidiPCKeyboardView::MidiPCKeyboardView(QWidget* parent, VantelMidiModel* aModel, ViewHost* host)
    : QFrame(parent), CommonViewHelper(aModel), model(aModel)
{
    Q_UNUSED(host)
    Q_ASSERT(model);
    viewKind = ViewKind::PCKeyboard;
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    enable = new CheckBox(model->getName(ParamPCKeyboardEnable), this);
    enable->setGeometry(10, 22, 100, 20);
    enable->setFocusPolicy(Qt::StrongFocus);
    enable->setAccessibleName(QStringLiteral("Enable"));
    enable->setId(ParamPCKeyboardEnable);
    addSpinBox(this, model, ParamPCKeyboardOctave, 52, QStringLiteral("Octave"))->setShowPlus(true);
    addSpinBox(this, model, ParamPCKeyboardChannel, 82, QStringLiteral("Channel"));
    addSpinBox(this, model, ParamPCKeyboardNoteOnVelocity, 112, QStringLiteral("Note On Velocity"));
    addSpinBox(this, model, ParamPCKeyboardNoteOffVelocity, 142, QStringLiteral("Note Off Velocity"));

    connectControls(this);
    model->setModified(1);
}

MidiPCKeyboardView::~MidiPCKeyboardView() = default;

bool MidiPCKeyboardView::readFromStream(QDataStream& stream)
{
    Q_UNUSED(stream)
    return true;
}

bool MidiPCKeyboardView::writeToStream(QDataStream& stream)
{
    Q_UNUSED(stream)
    return true;
}

void MidiPCKeyboardView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    QFrame::closeEvent(event);
}
