#include "NativeEventFilter.h"

#include "KeyboardNoteEventManager.h"
#include "MainWindow.h"
#include "SubWindowManager.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

NativeEventFilter::NativeEventFilter(QObject* parent) : QObject(parent) {}

NativeEventFilter::~NativeEventFilter() = default;

bool NativeEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    Q_UNUSED(watched)
    // No forwarding during start-up and teardown: the main window may be half built or half gone.
    MainWindow* window = MainWindow::eventLoopMainWindow();
    if (!window)
        return false;

    // The filter sees an event again for every object it propagates to (the window, the focus
    // widget, its parents). That is harmless here: a key the engine does not use and a press
    // without an About window change nothing, and an event that is used is consumed and goes no
    // further.
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shortcuts and menu mnemonics keep their keys.
        if (key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        const quint8 code = KeyboardNoteEventManager::keyCode(key);
        return code != KeyboardNoteEventManager::NoKey &&
               window->pcKeyPress(code, key->isAutoRepeat(), key->timestamp());
    }
    case QEvent::KeyRelease: {
        // Releases pass whatever modifier went down meanwhile: the engine only takes the release of
        // a key that sounds a note, and a note must not hang because Shift came in between.
        const auto* key = static_cast<QKeyEvent*>(event);
        const quint8 code = KeyboardNoteEventManager::keyCode(key);
        return code != KeyboardNoteEventManager::NoKey &&
               window->pcKeyRelease(code, key->isAutoRepeat(), key->timestamp());
    }
    case QEvent::MouseButtonPress: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton)
            return window->subWindows()->closeAbout();
        return false;
    }
    case QEvent::ApplicationDeactivate:
        // Another program's window (or a dialog outside Qt) takes the key-up events away.
        window->releaseKeyboardKeys();
        return false;
    default:
        return false;
    }
}
