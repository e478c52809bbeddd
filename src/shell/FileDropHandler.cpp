#include "FileDropHandler.h"

#include "ProjectCommands.h"
#include "SubWindowManager.h"
#include "SysExFile.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewKind.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMimeData>
#include <QUrl>

namespace {

const QLatin1String projectSuffix("vantelmidi");

} // namespace

FileDropHandler::FileDropHandler(QMdiArea* area, SubWindowManager* theViews, ProjectCommands* theProjects,
                                 VantelMidiModel* aModel)
    : QObject(area), views(theViews), projects(theProjects), model(aModel)
{
    area->setAcceptDrops(true);
    area->installEventFilter(this);
    area->viewport()->installEventFilter(this);
}

QString FileDropHandler::droppedSuffix(const QMimeData* data)
{
    if (!data || !data->hasFormat(QStringLiteral("text/uri-list")))
        return QString();
    // The first item only: several dropped files open nothing more than the first.
    const QList<QUrl> urls = data->urls();
    // Only files can be opened; a dragged web link is not one.
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    // Everything after the first dot of the file name: "dump.syx.txt" is "syx.txt", not "txt".
    return QFileInfo(urls.first().toLocalFile()).completeSuffix();
}

bool FileDropHandler::eventFilter(QObject* watched, QEvent* event)
{
    Q_UNUSED(watched)
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        const QString suffix = droppedSuffix(drag->mimeData());
        const bool wanted = SysExFile::isEditorSuffix(suffix) || suffix == projectSuffix;
        if (QApplication::activeModalWidget() || model->getValue(ParamTransmissionState) == 1 || !wanted) {
            drag->setDropAction(Qt::IgnoreAction);
            drag->ignore();
            return true;
        }
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::DragMove:
        static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop:
        return dropped(event);
    default:
        return false;
    }
}

bool FileDropHandler::dropped(QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (!data->hasFormat(QStringLiteral("text/uri-list")))
        return false;
    const QString suffix = droppedSuffix(data);
    const QList<QUrl> urls = data->urls();
    const QString path = urls.isEmpty() ? QString() : urls.first().toLocalFile();
    if (suffix == projectSuffix) {
        // The drop ends before the project is read: its questions and messages are modal.
        drop->acceptProposedAction();
        QMetaObject::invokeMethod(
            this,
            [this, path] {
                if (projects->settleUnsavedChanges())
                    projects->load(path);
            },
            Qt::QueuedConnection);
        return true;
    }
    if (!SysExFile::isEditorSuffix(suffix))
        return false;
    // An unreadable file gives an empty editor.
    const QString text = SysExFile::readText(path);
    if (!path.isEmpty())
        model->setString(ParamDumpFileWorkingDirectory, QFileInfo(path).absolutePath());
    views->openEditView(EditKind::SystemExclusive, QSize(), text);
    drop->acceptProposedAction();
    return true;
}
