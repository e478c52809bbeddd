#pragma once

#include "CommonViewHelper.h"

#include <QFrame>

class ComboBox;
class VantelMidiModel;
class ViewHost;

// The user-interface and message-display preferences. Every control is bound to one preference
// parameter and every text is that parameter's display name or value text, so the view has no
// logic of its own: the parameters' listeners (dials, monitors, analyzer, the views that need the
// parser) act on a change, and the settings file keeps it. Never saved in a project.
class PreferencesView : public QFrame, public CommonViewHelper
{
    Q_OBJECT

public:
    // model: not owned, must outlive the view. The view needs nothing of its host.
    PreferencesView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~PreferencesView() override;

    ComboBox* knobModeComboBox() const { return knobMode; }

private:
    VantelMidiModel* model;
    ComboBox* knobMode = nullptr;
};
