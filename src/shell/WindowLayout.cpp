#include "WindowLayout.h"

#include "SettingsFile.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "WindowRestorationInfo.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

namespace {

// Far beyond any desktop, small enough that no window or view allocates anything large for it.
constexpr int CoordinateLimit = 16384;
constexpr int SizeLimit = 16384;
constexpr qint32 KnownStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowActive;

bool staysOnTop(const QWidget* window)
{
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QRect savedGeometry(const QMainWindow* window)
{
    return SubWindowManager::isNormalState(window) ? window->geometry() : window->normalGeometry();
}

QRect savedGeometry(const SubWindowManager* views, const QMdiSubWindow* subWindow)
{
    return SubWindowManager::isNormalState(subWindow) ? subWindow->geometry()
                                                      : views->normalGeometry(subWindow);
}

// The main window's rectangle (without its frame) made to fit, frame included, into the free area
// of the screen it is on; a window that had to shrink is moved fully onto that area.
QRect withinScreen(const QWidget* window, QRect rectangle)
{
    const QScreen* screen = QGuiApplication::screenAt(rectangle.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return rectangle;
    const QRect available = screen->availableGeometry();
    // Known once the window system has framed the window; nothing before.
    const QRect frame = window->frameGeometry(), inner = window->geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QRect room = available.marginsRemoved(margins);
    if (room.isEmpty() || room.contains(rectangle))
        return rectangle;
    const QSize size = rectangle.size().boundedTo(room.size());
    if (size == rectangle.size())
        return rectangle;
    rectangle.setSize(size);
    rectangle.moveLeft(qBound(room.left(), rectangle.left(), room.right() - size.width() + 1));
    rectangle.moveTop(qBound(room.top(), rectangle.top(), room.bottom() - size.height() + 1));
    return rectangle;
}

void addStayOnTop(QMainWindow* window)
{
    const bool visible = window->isVisible();
    window->setWindowFlags(window->windowFlags() | Qt::WindowStaysOnTopHint);
    // New flags take a top-level window off the screen.
    if (visible)
        window->show();
}

} // namespace

int WindowLayout::statusBarHeight(QMainWindow* window)
{
    const QStatusBar* bar = window->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    return bar && !bar->isHidden() ? bar->height() : 0;
}

void WindowLayout::resizeToDefault(QMainWindow* window)
{
    window->resize(DefaultWidth,
                   DefaultHeightBelowMenuBar + window->menuBar()->height() + statusBarHeight(window));
}

ProjectFileFormat::Record WindowLayout::sanitized(const ProjectFileFormat::Record& record)
{
    ProjectFileFormat::Record result = record;
    const QRect r = record.geometry;
    result.geometry = QRect(qBound(-CoordinateLimit, r.x(), CoordinateLimit),
                            qBound(-CoordinateLimit, r.y(), CoordinateLimit), qBound(0, r.width(), SizeLimit),
                            qBound(0, r.height(), SizeLimit));
    result.windowState = record.windowState & KnownStates;
    return result;
}

ProjectFileFormat::Record WindowLayout::mainWindowRecord(QMainWindow* window, bool withoutMenuBar)
{
    ProjectFileFormat::Record record;
    record.kind = 0;
    record.stayOnTop = staysOnTop(window);
    record.geometry = savedGeometry(window);
    // A saved height means the area the views have below the menu bar, which is the window less
    // its menu bar (project files) or the whole window (the settings file) in a window without a
    // status bar: ours is left out, so that a layout keeps its size between the two.
    int barHeight = statusBarHeight(window);
    if (withoutMenuBar)
        barHeight += window->menuBar()->height();
    record.geometry.setHeight(record.geometry.height() - barHeight);
    record.windowState = qint32(window->windowState());
    return record;
}

QList<WindowLayout::SavedView> WindowLayout::viewRecords(const SubWindowManager* subWindowManager)
{
    QList<SavedView> views;
    const QList<QMdiSubWindow*> subWindows = subWindowManager->inActivationOrder();
    for (QMdiSubWindow* subWindow : subWindows) {
        const auto* info = dynamic_cast<const WindowRestorationInfo*>(subWindow->widget());
        if (!info)
            continue;
        SavedView view;
        view.subWindow = subWindow;
        view.record.kind = info->viewKind;
        view.record.stayOnTop = staysOnTop(subWindow);
        view.record.geometry = savedGeometry(subWindowManager, subWindow);
        view.record.windowState = qint32(subWindow->windowState());
        view.record.extraValues = info->extraValues;
        views.append(view);
    }
    return views;
}

void WindowLayout::restoreMainWindow(QMainWindow* window, const ProjectFileFormat::Record& saved)
{
    const ProjectFileFormat::Record record = sanitized(saved);
    QRect rectangle = SubWindowManager::fitToScreens(record.geometry);
    rectangle.setHeight(rectangle.height() + statusBarHeight(window));
    SubWindowManager::applyGeometry(window, withinScreen(window, rectangle));
    const Qt::WindowStates state(record.windowState);
    if (!state.testFlag(Qt::WindowMinimized))
        window->setWindowState(window->windowState() | state);
    if (record.stayOnTop)
        addStayOnTop(window);
}

void WindowLayout::restoreMainWindowFromProject(QMainWindow* window, const ProjectFileFormat::Record& saved,
                                                bool addMenuBarHeight)
{
    const ProjectFileFormat::Record record = sanitized(saved);
    QRect rectangle = SubWindowManager::fitToScreens(record.geometry);
    rectangle.setHeight(rectangle.height() + statusBarHeight(window) +
                        (addMenuBarHeight ? window->menuBar()->height() : 0));
    // The title bar must stay reachable: the frame above the window's top is the window system's.
    const int frameTop = window->geometry().top() - window->frameGeometry().top();
    if (rectangle.top() < frameTop)
        rectangle.setTop(frameTop);
    window->setGeometry(withinScreen(window, rectangle));
    Qt::WindowStates state(record.windowState);
    if (!state.testFlag(Qt::WindowMinimized)) {
        if (state.testFlag(Qt::WindowFullScreen))
            state = (state & ~Qt::WindowFullScreen) | Qt::WindowMaximized;
        window->setWindowState(window->windowState() | state);
    }
    if (record.stayOnTop)
        addStayOnTop(window);
}

QMdiSubWindow* WindowLayout::restoreView(SubWindowManager* views, const ProjectFileFormat::Record& saved)
{
    const ProjectFileFormat::Record record = sanitized(saved);
    return views->restoreView(record.kind, record.stayOnTop, record.geometry,
                              Qt::WindowStates(record.windowState), record.extraValues);
}

void WindowLayout::saveWindowPositions(QMainWindow* window, const SubWindowManager* views)
{
    QList<SettingsFile::WindowPosition> positions;
    const auto add = [&positions](const ProjectFileFormat::Record& record) {
        positions.append(
            {record.kind, record.geometry, record.windowState, record.stayOnTop, record.extraValues});
    };
    add(mainWindowRecord(window, false));
    for (const SavedView& view : viewRecords(views))
        add(view.record);
    SettingsFile::writeWindowPositions(positions);
}

void WindowLayout::restoreWindowPositions(QMainWindow* window, SubWindowManager* views,
                                          VantelMidiModel* model)
{
    window->setUpdatesEnabled(false);
    model->lockModified();
    int unreadable = 0;
    const QList<SettingsFile::WindowPosition> positions = SettingsFile::readWindowPositions(&unreadable);
    bool mainWindowPlaced = false;
    int restoredViews = 0;
    for (const SettingsFile::WindowPosition& position : positions) {
        ProjectFileFormat::Record record;
        record.kind = position.kind;
        record.stayOnTop = position.stayOnTop;
        record.geometry = position.geometry;
        record.windowState = position.windowState;
        record.extraValues = position.extraValues;
        // A view that cannot be opened again is simply missing.
        if (record.kind == 0) {
            restoreMainWindow(window, record);
            mainWindowPlaced = true;
        } else if (restoreView(views, record)) {
            ++restoredViews;
        }
    }
    // A group that is empty, or so damaged that the window or every view of it is lost, gives the
    // layout of a first start rather than an empty or oversized window. A layout saved without
    // views holds the main window only and stays empty.
    const bool viewsLost = restoredViews == 0 && (positions.size() > 1 || unreadable > 0);
    if (!mainWindowPlaced) {
        resizeToDefault(window);
        window->setGeometry(withinScreen(window, window->geometry()));
    }
    if (!mainWindowPlaced || viewsLost)
        views->openDefaultLayout();
    model->unlockModified();
    window->setUpdatesEnabled(true);
}
