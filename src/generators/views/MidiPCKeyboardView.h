#pragma once

#include "CommonViewHelper.h"
#include "FileStream.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class CheckBox;
class VantelMidiModel;
class ViewHost;

// The panel of the computer-keyboard note engine: its five settings (enable, octave, channel and
// the two velocities) as parameter-bound controls. The engine belongs to the main window and plays
// whether or not this view is open; the settings live in the parameters, so the view saves nothing
// of its own in a project.
class MidiPCKeyboardView : public QFrame,
                           public CommonViewHelper,
                           public WindowRestorationInfo,
                           public FileStream
{
    Q_OBJECT

public:
    // model: not owned, must outlive the view. The view needs nothing of its host.
    MidiPCKeyboardView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiPCKeyboardView() override;

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    CheckBox* enableCheckBox() const { return enable; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    VantelMidiModel* model;
    CheckBox* enable = nullptr;
};
