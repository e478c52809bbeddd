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

// A top-level window no larger than the desktop it is on.
QRect withinDesktop(QRect rectangle)
{
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        const QSize desktop = primary->virtualGeometry().size();
        rectangle.setSize(rectangle.size().boundedTo(desktop));
    }
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
    if (withoutMenuBar)
        record.geometry.setHeight(record.geometry.height() - window->menuBar()->height());
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
    const QRect rectangle = withinDesktop(SubWindowManager::fitToScreens(record.geometry));
    SubWindowManager::applyGeometry(window, rectangle);
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
    QRect rectangle = withinDesktop(SubWindowManager::fitToScreens(record.geometry));
    if (addMenuBarHeight)
        rectangle.setHeight(rectangle.height() + window->menuBar()->height());
    // The title bar must stay reachable: the frame above the window's top is the window system's.
    const int frameTop = window->geometry().top() - window->frameGeometry().top();
    if (rectangle.top() < frameTop)
        rectangle.setTop(frameTop);
    window->setGeometry(rectangle);
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
    const QList<SettingsFile::WindowPosition> positions = SettingsFile::readWindowPositions();
    if (positions.isEmpty())
        views->openDefaultLayout();
    for (const SettingsFile::WindowPosition& position : positions) {
        ProjectFileFormat::Record record;
        record.kind = position.kind;
        record.stayOnTop = position.stayOnTop;
        record.geometry = position.geometry;
        record.windowState = position.windowState;
        record.extraValues = position.extraValues;
        // A view that cannot be opened again is simply missing.
        if (record.kind == 0)
            restoreMainWindow(window, record);
        else
            restoreView(views, record);
    }
    model->unlockModified();
    window->setUpdatesEnabled(true);
}
