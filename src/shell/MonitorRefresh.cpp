#include "MonitorRefresh.h"

#include "MidiAnalyzer.h"
#include "MidiEditTextView.h"
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
        // One conversion per tick, shared by every view. A view may close while another is fed
        // (a message box of its own): the lists are walked by guarded pointer.
        const QString out = outCount > 0 ? QString::fromUtf8(outText) : QString();
        const QString in = inCount > 0 ? QString::fromUtf8(inText) : QString();
        const QString sysEx = sysExCount > 0 ? QString::fromUtf8(sysExText) : QString();
        if (!out.isEmpty()) {
            const QList<QPointer<MidiEditView>> outMonitors = outViews;
            for (MidiEditView* view : outMonitors)
                if (view)
                    view->appendOutText(out);
        }
        const QList<QPointer<MidiEditView>> views = inViews;
        for (MidiEditView* view : views) {
            if (!view)
                continue;
            if (view->isInMonitor())
                view->appendReceivedText(in, inCount);
            else
                view->appendReceivedText(sysEx, sysExCount);
        }
    }
    analyzer->advanceTempoIdleTime(quint32(IntervalMs) * 1000u);
}

void MonitorRefresh::clearMonitors()
{
    for (MidiEditView* view : alive(outViews))
        view->textView()->clearText();
    for (MidiEditView* view : alive(inViews))
        if (view->isInMonitor())
            view->textView()->clearText();
}

void MonitorRefresh::showReceivedTempo(QMdiSubWindow* timingClockWindow)
{
    auto* view = timingClockWindow != nullptr
                     ? qobject_cast<MidiTimingClockGeneratorView*>(timingClockWindow->widget())
                     : nullptr;
    if (view != nullptr)
        view->setReceivedTempo(quint64(qMax(0, analyzer->receivedTempo())));
}
