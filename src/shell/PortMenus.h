#pragma once

#include <QObject>
#include <QPointer>

class MidiHub;
class QAction;
#include <QMenu>
class QMenuBar;
class VantelMidiModel;
class ViewHost;

// The "&InputPort" and "&OutputPort" menus of the main window: their entries are made from the
// host's device list each time a menu opens ("Not Connected" first, then the devices, the port's
// device checked, or the device the port waits for, marked absent); choosing one opens that device
// for Port1. Each menu tells when it has listed the devices anew, for the views that list them
// too. GUI thread only.
class PortMenus : public QObject
{
    Q_OBJECT

public:
    // Data of the entry that names a chosen device which has gone.
    static constexpr quint32 AbsentDevice = 0xFFFFFFFEu;

    // The menus are added to menuBar; hub, model and host (which opens ports and reports failures)
    // are not owned.
    PortMenus(QMenuBar* menuBar, MidiHub* hub, VantelMidiModel* model, ViewHost* host, QObject* parent);

    QMenu* inputMenu() const { return inputPortMenu; }
    QMenu* outputMenu() const { return outputPortMenu; }

    // Rebuilds a menu from the device list; a port whose device is gone is closed.
    void rebuild(bool input);
    // Opens the device of a chosen entry for Port1 and sets its index parameter.
    void select(bool input, QAction* action);

Q_SIGNALS:
    void inputListUpdated();
    void outputListUpdated();

private:
    MidiHub* hub;
    VantelMidiModel* model;
    ViewHost* host;
    QPointer<QMenu> inputPortMenu;
    QPointer<QMenu> outputPortMenu;
};
