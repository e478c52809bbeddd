#include "ProjectFileHelper.h"

#include "FileStream.h"
#include "ProjectFileFormat.h"
#include "SubWindowManager.h"
#include "WindowLayout.h"

#include <QDataStream>
#include <QFile>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QSaveFile>

ProjectFileHelper::ProjectFileHelper(QMainWindow* aWindow, SubWindowManager* theViews)
    : window(aWindow), views(theViews)
{
}

ProjectFileHelper::~ProjectFileHelper() = default;

int ProjectFileHelper::load(const QString& path)
{
    layoutReplaced = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 1 ||
        file.size() > ProjectFileFormat::MaximumFileSize)
        return ProjectFileFormat::Failed;
    const QByteArray bytes = file.read(ProjectFileFormat::MaximumFileSize + 1);
    file.close();
    ProjectFileFormat::Contents contents;
    const ProjectFileFormat::Result result = ProjectFileFormat::parse(bytes, &contents);
    if (result != ProjectFileFormat::Ok)
        return result;

    views->closeAll();
    layoutReplaced = true;
    window->showNormal();
    WindowLayout::restoreMainWindowFromProject(
        window, contents.mainWindow,
        ProjectFileFormat::heightExcludesMenuBar(contents.major, contents.minor));
    for (const ProjectFileFormat::Entry& entry : qAsConst(contents.entries)) {
        QMdiSubWindow* subWindow = WindowLayout::restoreView(views, entry.record);
        if (!subWindow)
            return ProjectFileFormat::Failed;
        if (auto* view = dynamic_cast<FileStream*>(subWindow->widget())) {
            QDataStream stream(entry.content);
            stream.setVersion(QDataStream::Qt_5_12);
            if (!view->readFromStream(stream))
                return ProjectFileFormat::Failed;
        }
    }
    return ProjectFileFormat::Ok;
}

int ProjectFileHelper::save(const QString& path)
{
    ProjectFileFormat::Contents contents;
    contents.mainWindow = WindowLayout::mainWindowRecord(window, true);
    for (const WindowLayout::SavedView& saved : WindowLayout::viewRecords(views)) {
        // Only views that store their content are saved; their block may be empty.
        auto* view = dynamic_cast<FileStream*>(saved.subWindow->widget());
        if (!view)
            continue;
        ProjectFileFormat::Entry entry;
        entry.record = saved.record;
        QDataStream stream(&entry.content, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_5_12);
        if (!view->writeToStream(stream) || stream.status() != QDataStream::Ok)
            return 1;
        contents.entries.append(entry);
    }
    QByteArray bytes;
    if (!ProjectFileFormat::build(contents, &bytes))
        return 1;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    // Flushed here: a write that fails in the flush commit does on closing would go unnoticed, and
    // the short file would replace the old one.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return 1;
    }
    return file.commit() ? 0 : 1;
}
