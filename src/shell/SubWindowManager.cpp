#include "SubWindowManager.h"

#include "VantelMidiModel.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMoveEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>

SubWindowManager::SubWindowManager(QMdiArea* anArea, VantelMidiModel* aModel, ViewHost* aHost,
                                   QObject* anEventFilter, QWidget* aMainWindow)
    : QObject(aMainWindow), area(anArea), model(aModel), host(aHost), eventFilter(anEventFilter),
      mainWindow(aMainWindow)
{
    QPixmap pixmap(QStringLiteral(":/images/subwindow_icon.png"));
    pixmap.setDevicePixelRatio(2.0);
    icon = QIcon(pixmap);
}

QMdiSubWindow* SubWindowManager::singleView(int slot) const
{
    return slot >= 0 && slot < ViewKindTable::SlotCount ? singleViews[size_t(slot)] : nullptr;
}

QList<QMdiSubWindow*> SubWindowManager::multiViewList(int list)
{
    QList<QMdiSubWindow*> open;
    if (list < 0 || list >= ViewKindTable::ListCount)
        return open;
    QList<QPointer<QMdiSubWindow>>& views = multiViews[size_t(list)];
    views.removeAll(QPointer<QMdiSubWindow>());
    for (const QPointer<QMdiSubWindow>& view : views)
        open.append(view);
    return open;
}

bool SubWindowManager::listHasRoom(int list, const QString& title)
{
    if (multiViewList(list).size() < ViewKindTable::listLimit(list))
        return true;
    showLimitWarning(title);
    return false;
}

void SubWindowManager::showLimitWarning(const QString& title)
{
    if (warningShown)
        return;
    warningShown = true;
    QMessageBox::warning(
        mainWindow, QStringLiteral("Vantel MIDI"),
        QStringLiteral("Unable to open a new %1 View.\nPlease close any opened %1 View before trying again.")
            .arg(title),
        QMessageBox::Ok);
    warningShown = false;
}

QMdiSubWindow* SubWindowManager::openView(qint32 kind, const ViewArguments& arguments,
                                          const QSize& contentSize)
{
    const ViewKindRow* row = ViewKindTable::row(kind);
    if (!row || !row->isAvailable())
        return nullptr;
    const QString title = ViewKindTable::title(QString::fromUtf8(row->menuText));

    if (row->slot >= 0) {
        if (QMdiSubWindow* open = singleViews[size_t(row->slot)]) {
            // The About window stays as it is; any other comes to the front.
            if (kind != ViewKind::About)
                area->setActiveSubWindow(open);
            return open;
        }
    }
    // Monitors count against the editors' limit too: they are the same kind of view.
    const bool editKind = row->sizeRule == ViewSizeRule::EditContent;
    const int list = editKind ? ViewKindTable::ListSystemExclusive : row->list;
    if (list >= 0 && !listHasRoom(list, title))
        return nullptr;

    ViewArguments built = arguments;
    built.model = model;
    built.host = host;
    built.window = mainWindow;
    QWidget* view = row->factory(built);
    if (!view)
        return nullptr;

    QMdiSubWindow* subWindow = addSubWindow(view, *row);
    applySizeRule(subWindow, view, *row, contentSize);
    if (row->slot >= 0)
        singleViews[size_t(row->slot)] = subWindow;
    else if (list >= 0)
        multiViews[size_t(list)].append(subWindow);
    subWindow->setWindowTitle(title);
    if (row->sizeRule != ViewSizeRule::CentredText && row->sizeRule != ViewSizeRule::CentredBanner)
        rememberGeometry(subWindow);
    subWindow->show();
    return subWindow;
}

QMdiSubWindow* SubWindowManager::openEditView(qint32 editKind, const QSize& contentSize,
                                              const QString& initialText)
{
    qint32 kind = ViewKind::SystemExclusive;
    if (editKind == EditKind::InMonitor)
        kind = ViewKind::MidiInMonitor;
    else if (editKind == EditKind::OutMonitor)
        kind = ViewKind::MidiOutMonitor;
    else if (editKind != EditKind::SystemExclusive && editKind != EditKind::SystemExclusiveReceive)
        return nullptr;
    ViewArguments arguments;
    arguments.editKind = editKind;
    arguments.initialText = initialText;
    return openView(kind, arguments, contentSize);
}

QMdiSubWindow* SubWindowManager::addSubWindow(QWidget* view, const ViewKindRow& row)
{
    QMdiSubWindow* subWindow = nullptr;
    if (row.sizeRule == ViewSizeRule::CentredBanner) {
        subWindow = area->addSubWindow(view, Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                 Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    } else {
        subWindow = area->addSubWindow(view);
    }
    if (row.objectName)
        subWindow->setObjectName(QString::fromUtf8(row.objectName));
    removeStayOnTopAction(subWindow);
    subWindow->setWindowIcon(icon);
    if (row.sizeRule != ViewSizeRule::CentredText)
        subWindow->installEventFilter(eventFilter);
    // A sub-window deleted without a close event (the window going away) must not leave an entry
    // that a later sub-window at the same address would inherit.
    connect(subWindow, &QObject::destroyed, this,
            [this, subWindow] { normalGeometryTable.remove(subWindow); });
    return subWindow;
}

void SubWindowManager::applySizeRule(QMdiSubWindow* subWindow, QWidget* view, const ViewKindRow& row,
                                     const QSize& contentSize)
{
    if (row.noMaximize)
        subWindow->setWindowFlags((subWindow->windowFlags() & ~Qt::WindowMaximizeButtonHint) |
                                  Qt::CustomizeWindowHint);
    switch (row.sizeRule) {
    case ViewSizeRule::EditContent:
        if (!contentSize.isEmpty()) {
            subWindow->adjustSize();
            view->adjustSize();
            subWindow->resize(contentSize + (subWindow->size() - view->size()));
        } else {
            subWindow->resize(row.size);
        }
        break;
    case ViewSizeRule::Resize:
        subWindow->resize(row.size);
        break;
    case ViewSizeRule::FixedHeight:
        subWindow->adjustSize();
        subWindow->setFixedHeight(subWindow->height());
        subWindow->setMinimumWidth(row.minimum.width());
        subWindow->setMaximumWidth(row.size.width());
        break;
    case ViewSizeRule::FixedWidth:
        subWindow->adjustSize();
        subWindow->setFixedSize(row.size.width(), subWindow->height());
        break;
    case ViewSizeRule::FixedAsBuilt:
        subWindow->adjustSize();
        subWindow->setFixedSize(subWindow->size());
        break;
    case ViewSizeRule::FixedSize:
        subWindow->setFixedSize(row.size);
        break;
    case ViewSizeRule::Bounded:
        subWindow->setMinimumSize(row.minimum);
        subWindow->setMaximumSize(row.size);
        subWindow->resize(row.size);
        break;
    case ViewSizeRule::CentredText:
        subWindow->setAttribute(Qt::WA_DeleteOnClose);
        subWindow->resize(view->size() + (subWindow->sizeHint() - view->sizeHint()));
        centre(subWindow);
        break;
    case ViewSizeRule::CentredBanner:
        subWindow->setAttribute(Qt::WA_DeleteOnClose);
        subWindow->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        subWindow->setFixedSize(view->size());
        centre(subWindow);
        break;
    }
}

void SubWindowManager::centre(QMdiSubWindow* subWindow)
{
    subWindow->move(mainWindow->width() / 2 - subWindow->width() / 2,
                    mainWindow->height() / 2 - subWindow->height() / 2);
}

QMdiSubWindow* SubWindowManager::restoreView(qint32 kind, bool stayOnTop, const QRect& geometry,
                                             Qt::WindowStates state, const QList<QVariant>& extraValues)
{
    // Only the kinds that saved records hold; the About, licence and Preferences views are never
    // saved.
    if (kind <= ViewKind::MainWindow || kind > ViewKind::StartStop)
        return nullptr;
    ViewArguments arguments;
    arguments.extraValues = extraValues;
    if (kind == ViewKind::MidiInMonitor)
        arguments.editKind = EditKind::InMonitor;
    else if (kind == ViewKind::MidiOutMonitor)
        arguments.editKind = EditKind::OutMonitor;
    QMdiSubWindow* subWindow = openView(kind, arguments);
    if (!subWindow)
        return nullptr;
    QRect rectangle = geometry;
    // A saved size below what the view needs would squeeze it.
    if (subWindow->minimumWidth() > rectangle.width() || subWindow->minimumHeight() > rectangle.height()) {
        if (const ViewKindRow* row = ViewKindTable::row(kind); row && row->sizeRule == ViewSizeRule::Bounded)
            rectangle.setSize(row->size - QSize(3, 3));
    }
    applyGeometry(subWindow, rectangle);
    if (stayOnTop)
        subWindow->setWindowFlags(subWindow->windowFlags() | Qt::WindowStaysOnTopHint);
    subWindow->setWindowState(subWindow->windowState() | state);
    return subWindow;
}

void SubWindowManager::closeAll()
{
    area->closeAllSubWindows();
    for (QPointer<QMdiSubWindow>& slot : singleViews)
        slot = nullptr;
    for (QList<QPointer<QMdiSubWindow>>& list : multiViews)
        list.clear();
}

bool SubWindowManager::closeAbout()
{
    QMdiSubWindow* about = singleViews[ViewKindTable::SlotAbout];
    if (!about)
        return false;
    singleViews[ViewKindTable::SlotAbout] = nullptr;
    // Called from inside event delivery (a mouse press, a menu action): hide now, delete once the
    // current event is done with the window.
    about->hide();
    about->deleteLater();
    return true;
}

void SubWindowManager::removeStayOnTopAction(QMdiSubWindow* subWindow)
{
    QMenu* menu = subWindow->systemMenu();
    if (!menu)
        return;
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions)
        if (action->text() == QLatin1String("Stay on &Top"))
            menu->removeAction(action);
}

void SubWindowManager::applyGeometry(QWidget* window, const QRect& rectangle)
{
    if ((window->windowFlags() & Qt::WindowMaximizeButtonHint) || window->size() != window->minimumSize() ||
        window->size() != window->maximumSize())
        window->setGeometry(rectangle);
    else
        window->move(rectangle.topLeft());
}

QRect SubWindowManager::fitToScreens(const QRect& rectangle)
{
    QRect result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(rectangle);
        if (overlap.width() >= 100 && overlap.height() >= 100)
            result = rectangle;
    }
    if (result.isNull()) {
        if (const QScreen* primary = QGuiApplication::primaryScreen())
            result = QRect(primary->availableGeometry().topLeft() + QPoint(50, 50), rectangle.size());
        else
            result = rectangle;
    }
    return result;
}

bool SubWindowManager::isNormalState(const QWidget* window)
{
    if (window->isMinimized() || window->isMaximized() || window->isFullScreen())
        return false;
    const auto* subWindow = qobject_cast<const QMdiSubWindow*>(window);
    if (!subWindow || !subWindow->systemMenu())
        return true;
    // A sub-window shaded (rolled up to its title) is not maximised or minimised but offers
    // "Restore"; it is in normal state exactly when there is nothing to restore.
    for (const QAction* action : subWindow->systemMenu()->actions())
        if (action->text() == QLatin1String("&Restore"))
            return !action->isEnabled();
    return true;
}

QRect SubWindowManager::normalGeometry(const QMdiSubWindow* subWindow) const
{
    return normalGeometryTable.value(subWindow, subWindow->geometry());
}

void SubWindowManager::rememberGeometry(QMdiSubWindow* subWindow)
{
    if (!normalGeometryTable.contains(subWindow))
        normalGeometryTable.insert(subWindow, subWindow->geometry());
}

bool SubWindowManager::mayMaximize(const QMdiSubWindow* subWindow)
{
    return ViewKindTable::mayMaximize(subWindow->objectName());
}

void SubWindowManager::applyMaximizeRule()
{
    const QList<QMdiSubWindow*> subWindows = area->subWindowList();
    for (QMdiSubWindow* subWindow : subWindows)
        if (!mayMaximize(subWindow) && (subWindow->windowState() & Qt::WindowMaximized))
            subWindow->setWindowState(subWindow->windowState() & ~Qt::WindowMaximized);
}

void SubWindowManager::watchEvent(QObject* watched, QEvent* event)
{
    auto* subWindow = qobject_cast<QMdiSubWindow*>(watched);
    if (!subWindow)
        return;
    const QEvent::Type type = event->type();
    auto entry = normalGeometryTable.find(subWindow);
    if (type == QEvent::Resize && entry != normalGeometryTable.end() && isNormalState(subWindow))
        entry->setSize(static_cast<QResizeEvent*>(event)->size());
    else if (type == QEvent::Move && entry != normalGeometryTable.end() && isNormalState(subWindow))
        entry->moveTopLeft(static_cast<QMoveEvent*>(event)->pos());
    else if (type == QEvent::Close)
        normalGeometryTable.remove(subWindow);
}
