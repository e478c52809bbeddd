#pragma once

#include "MidiSender.h"

#include <QSize>
#include <QString>
#include <QStringList>

class QMdiSubWindow;

// What a view needs from the window that hosts it: the send operation, opening further views, the
// ports, and a few services of the window. The main window implements it and hands it to every
// view it creates; tests hand in a host of their own. Views never reach for the main window
// itself, so the view libraries do not depend on the shell.
class ViewHost : public MidiSender
{
public:
    // Device index of "Not Connected" in the port operations.
    static constexpr quint32 NoDevice = 0xFFFFFFFFu;

    ~ViewHost() override = default;

    // Opens a monitor or system-exclusive view of an EditKind, titled like the view its menu entry
    // opens. An empty contentSize means the default size. Returns null when the view limit refuses
    // it.
    virtual QMdiSubWindow* openEditView(qint32 editKind, const QSize& contentSize,
                                        const QString& initialText) = 0;

    // Releases every note held from the computer keyboard (before a modal file dialog takes the
    // key-up events away).
    virtual void releaseKeyboardKeys() = 0;

    // True while a project file is being read: views then restore values without sending them.
    virtual bool isLoadingProject() const = 0;

    // A critical message box titled "Vantel MIDI".
    virtual void showErrorMessage(const QString& text) = 0;

    // Ports. port: 0 Port1, 1 Port2. deviceIndex: the place in the device list of the last
    // choices call, NoDevice for none. An open that fails tells the user and leaves the port not
    // connected; false exactly then.
    virtual bool openInputPort(quint32 port, quint32 deviceIndex) = 0;
    virtual bool openOutputPort(quint32 port, quint32 deviceIndex) = 0;
    // true when an open port was closed.
    virtual bool closeInputPort(quint32 port) = 0;
    virtual bool closeOutputPort(quint32 port) = 0;
    // "Not Connected" and the host's devices of that direction, listed now; index receives the
    // place of the port's current device in the list, 0 when it is not there (the port is then
    // closed, its chosen device kept: it reopens when the device is listed again).
    virtual void inputPortChoices(quint32 port, QStringList* choices, qint32* index) = 0;
    virtual void outputPortChoices(quint32 port, QStringList* choices, qint32* index) = 0;
    virtual QString inputPortName(quint32 port) const = 0;
    virtual QString outputPortName(quint32 port) const = 0;
};
