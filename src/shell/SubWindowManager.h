#pragma once

#include "ViewKindTable.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <array>

class QEvent;
class QMdiArea;
#include <QMdiSubWindow>
class QWidget;
class VantelMidiModel;
class ViewHost;

// The sub-windows of the main window's multiple-document area: opening views by kind (from the
// view-kind table) with their sizes, titles and icon, the single-view slots and the limited
// multi-view lists, restoring saved views, and the normal geometry of every sub-window, which the
// settings and project files save. GUI thread only.
class SubWindowManager : public QObject
{
    Q_OBJECT

public:
    // area, model and host are not owned; eventFilter watches every sub-window it opens (moves,
    // resizes, state changes); dialogParent is the main window (warnings, centring).
    SubWindowManager(QMdiArea* area, VantelMidiModel* model, ViewHost* host, QObject* eventFilter,
                     QWidget* mainWindow);

    // Opens a view of that kind, or activates the open one of a single-view kind. contentSize
    // (monitor and system-exclusive views) asks for that content size. Null when the kind has no view, the
    // list is at its limit (after a warning), or the view's factory refuses.
    QMdiSubWindow* openView(qint32 kind, const ViewArguments& arguments = ViewArguments(),
                            const QSize& contentSize = QSize());
    QMdiSubWindow* openEditView(qint32 editKind, const QSize& contentSize, const QString& initialText);
    // Recreates a saved view at its rectangle; null when the kind is unknown or its opener refuses.
    QMdiSubWindow* restoreView(qint32 kind, bool stayOnTop, const QRect& geometry, Qt::WindowStates state,
                               const QList<QVariant>& extraValues);
    // Closes every sub-window and forgets the slots and lists.
    void closeAll();
    // Deletes the About window if it is open; true when it was.
    bool closeAbout();
    QMdiSubWindow* aboutWindow() const { return singleViews[ViewKindTable::SlotAbout]; }

    QMdiSubWindow* singleView(int slot) const;
    // Open views of a list, closed ones dropped.
    QList<QMdiSubWindow*> multiViewList(int list);

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

    // Geometry tracking and the maximise rule for a watched sub-window's event; never consumes.
    void watchEvent(QObject* watched, QEvent* event);

private:
    QMdiSubWindow* addSubWindow(QWidget* view, const ViewKindRow& row);
    void applySizeRule(QMdiSubWindow* subWindow, QWidget* view, const ViewKindRow& row,
                       const QSize& contentSize);
    void centre(QMdiSubWindow* subWindow);
    bool listHasRoom(int list, const QString& title);
    void showLimitWarning(const QString& title);
    static void removeStayOnTopAction(QMdiSubWindow* subWindow);

    QMdiArea* area;
    VantelMidiModel* model;
    ViewHost* host;
    QObject* eventFilter;
    QWidget* mainWindow;
    QIcon icon;
    bool warningShown = false;
    std::array<QPointer<QMdiSubWindow>, ViewKindTable::SlotCount> singleViews;
    std::array<QList<QPointer<QMdiSubWindow>>, ViewKindTable::ListCount> multiViews;
    QHash<const QMdiSubWindow*, QRect> normalGeometryTable;
};
