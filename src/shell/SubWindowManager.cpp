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

SubWindowManager::SubWindowManager(VantelMidiModel* aModel, ViewHost* aHost, QWidget* aMainWindow)
    : QObject(aMainWindow), mdiArea(new QMdiArea(aMainWindow)), model(aModel), host(aHost),
      mainWindow(aMainWindow)
{
    QPixmap pixmap(QStringLiteral(":/images/subwindow_icon.png"));
    pixmap.setDevicePixelRatio(2.0);
    icon = QIcon(pixmap);
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Wheel events arrive at the area or at its viewport, depending on where they were sent.
    mdiArea->installEventFilter(this);
    mdiArea->viewport()->installEventFilter(this);
}

void SubWindowManager::deleteArea()
{
    // The sub-windows' last events still reach the filter; with the pointer cleared it leaves them
    // alone. Deleting the area also takes the closed sub-windows that wait for deferred deletion.
    QMdiArea* doomed = mdiArea;
    mdiArea = nullptr;
    delete doomed;
}

QMdiSubWindow* SubWindowManager::singleView(qint32 kind) const
{
    const QList<QMdiSubWindow*> views = multiViewList(kind);
    return views.isEmpty() ? nullptr : views.first();
}

QList<QMdiSubWindow*> SubWindowManager::multiViewList(qint32 kind) const
{
    QList<QMdiSubWindow*> open;
    for (const QPointer<QMdiSubWindow>& view : openViews.value(kind))
        if (view)
            open.append(view);
    return open;
}

QList<QMdiSubWindow*> SubWindowManager::inActivationOrder() const
{
    return mdiArea ? mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder) : QList<QMdiSubWindow*>();
}

QMdiSubWindow* SubWindowManager::aboutWindow() const
{
    for (const ViewKindRow& row : ViewKindTable::rows())
        if (row.sizeRule == ViewSizeRule::CentredBanner)
            if (QMdiSubWindow* banner = singleView(row.kind))
                return banner;
    return nullptr;
}

bool SubWindowManager::hasRoom(const ViewKindRow& row)
{
    const ViewKindRow* shared = row.needsRoomAmong ? ViewKindTable::row(row.needsRoomAmong) : nullptr;
    if ((row.maximum <= 1 || multiViewList(row.kind).size() < row.maximum) &&
        (!shared || multiViewList(shared->kind).size() < shared->maximum))
        return true;
    showLimitWarning(row.title());
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

QMdiSubWindow* SubWindowManager::openView(qint32 kind, const QList<QVariant>& extraValues)
{
    const ViewKindRow* row = ViewKindTable::row(kind);
    if (!row)
        return nullptr;
    ViewArguments arguments;
    arguments.extraValues = extraValues;
    return open(*row, arguments, QSize());
}

QMdiSubWindow* SubWindowManager::openEditView(qint32 editKind, const QSize& contentSize,
                                              const QString& initialText)
{
    const ViewKindRow* row = ViewKindTable::rowForEditKind(editKind);
    if (!row)
        return nullptr;
    ViewArguments arguments;
    arguments.editKind = editKind;
    arguments.initialText = initialText;
    return open(*row, arguments, contentSize);
}

QMdiSubWindow* SubWindowManager::open(const ViewKindRow& row, const ViewArguments& arguments,
                                      const QSize& contentSize)
{
    if (!mdiArea || !row.isAvailable())
        return nullptr;
    if (row.maximum <= 1) {
        if (QMdiSubWindow* open = singleView(row.kind)) {
            // The About window stays as it is; any other comes to the front.
            if (row.sizeRule != ViewSizeRule::CentredBanner)
                mdiArea->setActiveSubWindow(open);
            return open;
        }
    }
    if (!hasRoom(row))
        return nullptr;

    ViewArguments built = arguments;
    built.model = model;
    built.host = host;
    built.portMenus = portMenus;
    built.kind = row.kind;
    if (built.editKind < 0)
        built.editKind = row.editKind;
    QWidget* view = row.factory(built);
    if (!view)
        return nullptr;

    QMdiSubWindow* subWindow = addSubWindow(view, row);
    applySizeRule(subWindow, view, row, contentSize);
    QList<QPointer<QMdiSubWindow>>& views = openViews[row.kind];
    views.removeAll(QPointer<QMdiSubWindow>());
    views.append(subWindow);
    subWindow->setWindowTitle(row.title());
    if (row.sizeRule != ViewSizeRule::CentredText && row.sizeRule != ViewSizeRule::CentredBanner)
        rememberGeometry(subWindow);
    subWindow->show();
    Q_EMIT viewOpened(subWindow);
    return subWindow;
}

QMdiSubWindow* SubWindowManager::addSubWindow(QWidget* view, const ViewKindRow& row)
{
    QMdiSubWindow* subWindow = nullptr;
    if (row.sizeRule == ViewSizeRule::CentredBanner) {
        subWindow = mdiArea->addSubWindow(view, Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                    Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    } else {
        subWindow = mdiArea->addSubWindow(view);
    }
    if (row.objectName)
        subWindow->setObjectName(QString::fromUtf8(row.objectName));
    removeStayOnTopAction(subWindow);
    subWindow->setWindowIcon(icon);
    if (row.sizeRule != ViewSizeRule::CentredText)
        subWindow->installEventFilter(this);
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
    const ViewKindRow* row = ViewKindTable::row(kind);
    if (!row || !row->restorable)
        return nullptr;
    QMdiSubWindow* subWindow = openView(kind, extraValues);
    if (!subWindow)
        return nullptr;
    QRect rectangle = geometry;
    // A saved size below what the view needs would squeeze it.
    if ((subWindow->minimumWidth() > rectangle.width() || subWindow->minimumHeight() > rectangle.height()) &&
        row->sizeRule == ViewSizeRule::Bounded)
        rectangle.setSize(row->size - QSize(3, 3));
    applyGeometry(subWindow, rectangle);
    if (stayOnTop)
        subWindow->setWindowFlags(subWindow->windowFlags() | Qt::WindowStaysOnTopHint);
    subWindow->setWindowState(subWindow->windowState() | state);
    return subWindow;
}

void SubWindowManager::closeAll()
{
    Q_EMIT closingAll();
    model->lockModified();
    if (mdiArea)
        mdiArea->closeAllSubWindows();
    openViews.clear();
    model->unlockModified();
    Q_EMIT closedAll();
}

void SubWindowManager::openDefaultLayout()
{
    closeAll();
    const int width = 338, height = 274;
    if (QMdiSubWindow* in = openView(ViewKind::MidiInMonitor))
        in->setGeometry(0, 0, width, height);
    if (QMdiSubWindow* out = openView(ViewKind::MidiOutMonitor))
        out->setGeometry(width, 0, width, height);
    if (QMdiSubWindow* editor = openView(ViewKind::SystemExclusive))
        editor->setGeometry(0, height, width, height);
}

bool SubWindowManager::closeAbout()
{
    QMdiSubWindow* about = aboutWindow();
    if (!about)
        return false;
    for (QList<QPointer<QMdiSubWindow>>& views : openViews)
        views.removeAll(about);
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
    if (!mdiArea)
        return;
    const QList<QMdiSubWindow*> subWindows = mdiArea->subWindowList();
    for (QMdiSubWindow* subWindow : subWindows)
        if (!mayMaximize(subWindow) && (subWindow->windowState() & Qt::WindowMaximized))
            subWindow->setWindowState(subWindow->windowState() & ~Qt::WindowMaximized);
}

bool SubWindowManager::eventFilter(QObject* watched, QEvent* event)
{
    if (!mdiArea)
        return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowStateChange)
        applyMaximizeRule();
    auto* subWindow = qobject_cast<QMdiSubWindow*>(watched);
    if (subWindow && subWindow == aboutWindow())
        return false;
    // The wheel does not scroll the area from a sub-window or the area's frame; over the empty
    // area (its viewport) it does.
    if (type == QEvent::Wheel)
        return watched != mdiArea->viewport();
    if (subWindow)
        watchEvent(subWindow, event);
    return false;
}

void SubWindowManager::watchEvent(QMdiSubWindow* subWindow, QEvent* event)
{
    const QEvent::Type type = event->type();
    auto entry = normalGeometryTable.find(subWindow);
    if (type == QEvent::Resize && entry != normalGeometryTable.end() && isNormalState(subWindow))
        entry->setSize(static_cast<QResizeEvent*>(event)->size());
    else if (type == QEvent::Move && entry != normalGeometryTable.end() && isNormalState(subWindow))
        entry->moveTopLeft(static_cast<QMoveEvent*>(event)->pos());
    else if (type == QEvent::Close)
        normalGeometryTable.remove(subWindow);
}
