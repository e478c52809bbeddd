#pragma once

#include <QObject>

// The application-wide input hook. Installed on the application by the entry point right after
// the model is created and before the main window exists, it sees every key and mouse event before
// the widget it is meant for. It acts only while the event loop runs with a main window
// (MainWindow::eventLoopMainWindow() is set); before and after that every event passes unchanged.
//
// Three features hang off it, all owned by the main window:
// - PC keyboard: key presses and releases of the digit, letter and comma keys are handed to
//   MainWindow::pcKeyPress / pcKeyRelease, which swallow the keys that play or end a note, so they
//   never reach the focused widget. Presses with Control, Shift, Alt or Meta held always pass.
// - Losing the focus to another program releases every note, since the key-up goes elsewhere.
// - About box: any left, right or middle mouse press goes to SubWindowManager::closeAbout and is
//   swallowed exactly when the About window was open.
class NativeEventFilter : public QObject
{
    Q_OBJECT

public:
    explicit NativeEventFilter(QObject* parent = nullptr);
    ~NativeEventFilter() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
};
