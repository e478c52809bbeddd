#include "ProjectFileHelper.h"

#include "FileStream.h"
#include "ProjectFileFormat.h"
#include "SubWindowManager.h"
#include "WindowLayout.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QSaveFile>

#include <cerrno>

namespace {

QString notAProject()
{
    return QStringLiteral("not a Vantel MIDI project");
}

} // namespace

ProjectFileHelper::ProjectFileHelper(QMainWindow* aWindow, SubWindowManager* theViews)
    : window(aWindow), views(theViews)
{
}

ProjectFileHelper::~ProjectFileHelper() = default;

int ProjectFileHelper::load(const QString& path)
{
    layoutReplaced = false;
    reason.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return ProjectFileFormat::Failed;
    }
    if (file.size() < 1 || file.size() > ProjectFileFormat::MaximumFileSize) {
        reason = notAProject();
        return ProjectFileFormat::Failed;
    }
    const QByteArray bytes = file.read(ProjectFileFormat::MaximumFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return ProjectFileFormat::Failed;
    }
    file.close();
    ProjectFileFormat::Contents contents;
    const ProjectFileFormat::Result result = ProjectFileFormat::parse(bytes, &contents);
    if (result == ProjectFileFormat::VersionError)
        reason = QStringLiteral("written by a newer Vantel MIDI");
    else if (result != ProjectFileFormat::Ok)
        reason = notAProject();
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
        if (!subWindow) {
            reason = QStringLiteral("a view of the project cannot be opened");
            return ProjectFileFormat::Failed;
        }
        if (auto* view = dynamic_cast<FileStream*>(subWindow->widget())) {
            QDataStream stream(entry.content);
            stream.setVersion(QDataStream::Qt_5_12);
            if (!view->readFromStream(stream)) {
                reason = notAProject();
                return ProjectFileFormat::Failed;
            }
        }
    }
    return ProjectFileFormat::Ok;
}

int ProjectFileHelper::save(const QString& path)
{
    reason.clear();
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
        if (!view->writeToStream(stream) || stream.status() != QDataStream::Ok) {
            reason = QStringLiteral("a view could not store its content");
            return 1;
        }
        contents.entries.append(entry);
    }
    QByteArray bytes;
    if (!ProjectFileFormat::build(contents, &bytes)) {
        reason = QStringLiteral("the project is too large");
        return 1;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // The new file beside the old one cannot be made in a folder that takes no new files;
        // a file that may itself be written is then written in place, without that safety.
        const QFileInfo info(path);
        if (info.isFile() && info.isWritable() && !QFileInfo(info.absolutePath()).isWritable())
            return saveInPlace(path, bytes);
        reason = file.errorString();
        return 1;
    }
    // Flushed here: a write that fails in the flush commit does on closing would go unnoticed, and
    // the short file would replace the old one.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        // The system's own reason ("No space left on device") when the write left one.
        reason = errno != 0 ? qt_error_string(errno) : file.errorString();
        file.cancelWriting();
        return 1;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return 1;
    }
    return 0;
}

int ProjectFileHelper::saveInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    // Not truncated before the new contents are in: a file that cannot take them keeps its start.
    if (!file.open(QIODevice::ReadWrite) || file.write(bytes) != bytes.size() || !file.resize(bytes.size()) ||
        !file.flush()) {
        reason = file.errorString();
        return 1;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return 1;
    }
    return 0;
}
