#pragma once

#include "midi/MidiSender.h"

#include <QSize>
#include <QString>

class QMdiSubWindow;
class MidiEditView;

// What a view needs from the window that hosts it: opening further views, the registries that the
// refresh timer feeds with monitor text, the send operation and a few shell services. The main
// window implements it and registers itself as the process-wide instance for its whole life; tests
// install a host of their own. Views look it up when they need it instead of holding the main
// window's type, so the view libraries do not depend on the shell library.
class ViewHost : public MidiSender
{
public:
    ~ViewHost() override = default;

    static ViewHost* instance() { return s_instance; }
    static void setInstance(ViewHost* host) { s_instance = host; }

    // Opens a monitor or system-exclusive view. editKind: 0 MIDI In monitor, 1 MIDI Out monitor,
    // 2 system-exclusive editor, 3 system-exclusive editor opened in receive mode. The title is the
    // menu text without "&" and "...". An empty contentSize means the default size. Returns null
    // when the view limit refuses it.
    virtual QMdiSubWindow* openEditView(const QString& menuText, qint32 editKind, const QSize& contentSize,
                                        const QString& initialText) = 0;

    // The lists the refresh timer feeds: an Out monitor receives the MIDI Out text; an In monitor
    // the MIDI In text; a system-exclusive view the captured system-exclusive text.
    virtual void registerMonitorView(MidiEditView* view, bool outMonitor) = 0;
    virtual void unregisterMonitorView(MidiEditView* view) = 0;

    // Releases every note held from the computer keyboard (before a modal file dialog takes the
    // key-up events away).
    virtual void releaseKeyboardKeys() = 0;

    virtual bool isLoadingProject() const = 0;

    // A critical message box titled "Vantel MIDI".
    virtual void showErrorMessage(const QString& text) = 0;

private:
    inline static ViewHost* s_instance = nullptr;
};
