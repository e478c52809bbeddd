#pragma once

#include <QObject>

// The application-wide input hook. Installed on the application by the entry point right after
// the model is created and before the main window exists, it sees every key and mouse event before
// the widget it is meant for. It acts only while the event loop runs with a main window
// (MainWindow::eventLoopMainWindow() is set); before and after that every event passes unchanged.
//
// Two features hang off it, both owned by the main window:
// - PC keyboard: key presses and releases of the keys the note engine plays are handed to
//   MainWindow::pcKeyPress / pcKeyRelease, which swallow the keys that play a note, so they never
//   reach the focused widget. Keys with Control or Shift held always pass.
// - About box: any left, right or middle mouse press goes to MainWindow::closeAboutView and is
//   swallowed exactly when the About window was open.
// Neither the note engine nor the About window exists yet, so today every event passes. When they
// arrive, note that an application filter is called once per widget a key or mouse event
// propagates to, so a press must be handled once per event, not once per call; and auto-repeated
// key presses must not retrigger notes.
class NativeEventFilter : public QObject
{
    Q_OBJECT

public:
    explicit NativeEventFilter(QObject* parent = nullptr);
    ~NativeEventFilter() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
};
