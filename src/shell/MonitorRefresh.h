#pragma once

#include <QList>
#include <QPointer>

class MidiAnalyzer;
class MidiEditView;
class QMdiSubWindow;

// Feeds the open monitors and system-exclusive views from the analyzer on every tick of the main
// window's refresh timer: the MIDI Out text to every Out monitor, the MIDI In text to every In
// monitor and the received system-exclusive text to every system-exclusive view. Text is moved
// in one batch per view and tick, never line by line. GUI thread only.
class MonitorRefresh
{
public:
    static constexpr int IntervalMs = 100;

    explicit MonitorRefresh(MidiAnalyzer* anAnalyzer) : analyzer(anAnalyzer) {}

    // A view to feed from now on, until it is destroyed.
    void addView(MidiEditView* view);
    void tick();
    // Shows the analyzer's measured tempo on the Timing Clock view of that sub-window (null: none
    // open). Called after tick, which counts the tick's idle time into the measurement.
    void showReceivedTempo(QMdiSubWindow* timingClockWindow);
    // Empties the In and Out monitors; system-exclusive views hold the user's data and keep it.
    void clearMonitors();

    // The views fed, closed ones left out.
    QList<MidiEditView*> inAndSystemExclusiveViews() const { return alive(inViews); }
    QList<MidiEditView*> outMonitorViews() const { return alive(outViews); }

private:
    static QList<MidiEditView*> alive(const QList<QPointer<MidiEditView>>& views);

    MidiAnalyzer* analyzer;
    QList<QPointer<MidiEditView>> inViews;  // MIDI In monitors and system-exclusive views
    QList<QPointer<MidiEditView>> outViews; // MIDI Out monitors
};
