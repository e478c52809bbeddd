#include "MonitorRefresh.h"

#include "MidiAnalyzer.h"
#include "MidiEditView.h"
#include "MidiTimingClockGeneratorView.h"

#include <QMdiSubWindow>

void MonitorRefresh::addView(MidiEditView* view)
{
    if (view)
        (view->isOutMonitor() ? outViews : inViews).append(view);
}

QList<MidiEditView*> MonitorRefresh::alive(const QList<QPointer<MidiEditView>>& views)
{
    QList<MidiEditView*> open;
    for (MidiEditView* view : views)
        if (view)
            open.append(view);
    return open;
}

void MonitorRefresh::tick()
{
    inViews.removeAll(nullptr);
    outViews.removeAll(nullptr);
    QByteArray inText, sysExText, outText;
    quint32 inCount = 0, sysExCount = 0, outCount = 0;
    if (analyzer->takeMonitorText(inText, inCount, sysExText, sysExCount, outText, outCount)) {
        // Monitors keep the analyzer's UTF-8 text as it is; the system-exclusive text is converted
        // once per tick, shared by every view that takes it. A view may close while another is
        // fed (a message box of its own): the lists are walked by guarded pointer.
        if (outCount > 0) {
            const QList<QPointer<MidiEditView>> outMonitors = outViews;
            for (MidiEditView* view : outMonitors)
                if (view)
                    view->appendMonitorText(outText, outCount);
        }
        QString sysEx;
        const QList<QPointer<MidiEditView>> views = inViews;
        for (MidiEditView* view : views) {
            if (!view)
                continue;
            if (view->isInMonitor()) {
                view->appendMonitorText(inText, inCount);
            } else if (view->isReceiveMode() && sysExCount > 0) {
                if (sysEx.isEmpty())
                    sysEx = QString::fromUtf8(sysExText);
                view->appendReceivedText(sysEx, sysExCount);
            }
        }
    }
    analyzer->advanceTempoIdleTime(quint32(IntervalMs) * 1000u);
}

void MonitorRefresh::clearMonitors()
{
    for (MidiEditView* view : alive(outViews))
        view->clearMonitor();
    for (MidiEditView* view : alive(inViews))
        view->clearMonitor();
}

void MonitorRefresh::showReceivedTempo(QMdiSubWindow* timingClockWindow)
{
    auto* view = timingClockWindow != nullptr
                     ? qobject_cast<MidiTimingClockGeneratorView*>(timingClockWindow->widget())
                     : nullptr;
    if (view != nullptr)
        view->setReceivedTempo(quint64(qMax(0, analyzer->receivedTempo())));
}
