#pragma once

#include "ViewKindTable.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class PortMenus;
class QEvent;
class QMdiArea;
class QMdiSubWindow;
class QWidget;
class VantelMidiModel;
class ViewHost;

// The main window's multiple-document area and its sub-windows: opening views by kind (from the
// view-kind table) with their sizes, titles and icon, keeping each kind within its limit,
// restoring saved views, the default layout, and the normal geometry of every sub-window, which
// the settings and project files save. It watches its sub-windows and the area for the maximise
// rule, the wheel and geometry changes. GUI thread only.
class SubWindowManager : public QObject
{
    Q_OBJECT

public:
    // model and host are not owned; mainWindow parents the area, the warnings and the centred
    // windows. The area is made here; the caller puts it into its window.
    SubWindowManager(VantelMidiModel* model, ViewHost* host, QWidget* mainWindow);

    QMdiArea* area() const { return mdiArea; }
    // The port menus handed to the views that follow them; not owned.
    void setPortMenus(PortMenus* menus) { portMenus = menus; }
    // Deletes the area and its sub-windows; everything here leaves them alone from then on.
    void deleteArea();

    // Opens a view of that kind, or brings the open one of a kind with room for one to the front.
    // Null when the kind has no view, its limit is reached (after a warning), or the view's factory
    // refuses.
    QMdiSubWindow* openView(qint32 kind, const QList<QVariant>& extraValues = {});
    // A monitor or system-exclusive view of an EditKind; contentSize asks for that content size.
    QMdiSubWindow* openEditView(qint32 editKind, const QSize& contentSize, const QString& initialText);
    // Recreates a saved view at its rectangle; null when the kind is not restorable or its opener
    // refuses.
    QMdiSubWindow* restoreView(qint32 kind, bool stayOnTop, const QRect& geometry, Qt::WindowStates state,
                               const QList<QVariant>& extraValues);
    // Closes every sub-window without marking the project modified.
    void closeAll();
    // Closes everything and opens the MIDI In and Out monitors and a system-exclusive editor.
    void openDefaultLayout();
    // Deletes the About window (the banner that goes at the next command) if it is open; true when
    // it was.
    bool closeAbout();
    QMdiSubWindow* aboutWindow() const;

    // The open view of a kind (the first one when there are several), or null.
    QMdiSubWindow* singleView(qint32 kind) const;
    // The open views of a kind, in opening order.
    QList<QMdiSubWindow*> multiViewList(qint32 kind) const;
    // Every sub-window, least recently activated first.
    QList<QMdiSubWindow*> inActivationOrder() const;

    // A fixed-size window only moves; any other takes the rectangle.
    static void applyGeometry(QWidget* window, const QRect& rectangle);
    // The rectangle when it overlaps some screen by at least 100 x 100; otherwise its size placed
    // 50, 50 inside the primary screen's available area.
    static QRect fitToScreens(const QRect& rectangle);
    static bool isNormalState(const QWidget* window);
    // The last geometry a sub-window had in normal state (its current one when unknown).
    QRect normalGeometry(const QMdiSubWindow* subWindow) const;
    void rememberGeometry(QMdiSubWindow* subWindow);
    static bool mayMaximize(const QMdiSubWindow* subWindow);
    void applyMaximizeRule();

    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // A view was built and shown in a new sub-window.
    void viewOpened(QMdiSubWindow* subWindow);
    // Around closing every sub-window.
    void closingAll();
    void closedAll();

private:
    QMdiSubWindow* open(const ViewKindRow& row, const ViewArguments& arguments, const QSize& contentSize);
    QMdiSubWindow* addSubWindow(QWidget* view, const ViewKindRow& row);
    void applySizeRule(QMdiSubWindow* subWindow, QWidget* view, const ViewKindRow& row,
                       const QSize& contentSize);
    void centre(QMdiSubWindow* subWindow);
    bool hasRoom(const ViewKindRow& row);
    void showLimitWarning(const QString& title);
    // Geometry tracking for a watched sub-window's event.
    void watchEvent(QMdiSubWindow* subWindow, QEvent* event);
    static void removeStayOnTopAction(QMdiSubWindow* subWindow);

    QMdiArea* mdiArea;
    VantelMidiModel* model;
    ViewHost* host;
    QWidget* mainWindow;
    PortMenus* portMenus = nullptr;
    QIcon icon;
    bool warningShown = false;
    QHash<qint32, QList<QPointer<QMdiSubWindow>>> openViews;
    QHash<const QMdiSubWindow*, QRect> normalGeometryTable;
};
