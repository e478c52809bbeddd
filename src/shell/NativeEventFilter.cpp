#include "NativeEventFilter.h"

#include "MainWindow.h"

#include <QEvent>

NativeEventFilter::NativeEventFilter(QObject* parent) : QObject(parent) {}

NativeEventFilter::~NativeEventFilter() = default;

bool NativeEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    Q_UNUSED(watched)
    // No forwarding during start-up and teardown: the main window may be half built or half gone.
    if (!MainWindow::eventLoopMainWindow())
        return false;

    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Forwarding point of the PC keyboard (pcKeyPress / pcKeyRelease).
        return false;
    case QEvent::MouseButtonPress:
        // Forwarding point of the About box (closeAboutView).
        return false;
    default:
        return false;
    }
}
