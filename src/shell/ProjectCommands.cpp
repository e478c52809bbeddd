#include "ProjectCommands.h"

#include "ProjectFileFormat.h"
#include "ProjectFileHelper.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>

namespace {

QString projectFilter()
{
    return QCoreApplication::translate("MainWindow", "Project Files (*.vantelmidi)");
}

} // namespace

ProjectCommands::ProjectCommands(QMainWindow* aWindow, SubWindowManager* theViews, ViewHost* aHost,
                                 VantelMidiModel* aModel)
    : window(aWindow), views(theViews), host(aHost), model(aModel)
{
}

QString ProjectCommands::windowTitle(const VantelMidiModel* model)
{
    const QString name = QFileInfo(model->projectFilePath()).fileName();
    QString title = name;
    if (model->isModified())
        title += QLatin1Char('*');
    if (!name.isEmpty())
        title += QStringLiteral(" - ");
    return title + QStringLiteral("Vantel MIDI");
}

QMessageBox::StandardButton ProjectCommands::askSaveChanges()
{
    views->closeAbout();
    return QMessageBox::question(window, QStringLiteral("Vantel MIDI"),
                                 QStringLiteral("Do you want to save changes?"),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
}

bool ProjectCommands::settleUnsavedChanges()
{
    if (!model->isModified())
        return true;
    switch (askSaveChanges()) {
    case QMessageBox::Yes:
        return saveProject();
    case QMessageBox::No:
        return true;
    default: // Cancel, or the box closed by other means
        return false;
    }
}

QString ProjectCommands::proposedPath(const QString& name) const
{
    const QString proposed = model->getString(ParamProjectFileWorkingDirectory) + QLatin1Char('/') + name;
    if (QFileInfo(proposed).dir().exists())
        return proposed;
    return model->getDefaultString(ParamProjectFileWorkingDirectory) + QLatin1Char('/') + name;
}

bool ProjectCommands::openProject(const QString& path)
{
    if (model->isModified()) {
        switch (askSaveChanges()) {
        case QMessageBox::Yes:
            if (!saveProject())
                return false;
            model->setModified(0);
            break;
        case QMessageBox::No:
            break;
        default:
            return false;
        }
    }
    QString chosen = path;
    if (chosen.isEmpty()) {
        // The dialog takes the key-up events of notes held on the computer keyboard.
        host->releaseKeyboardKeys();
        chosen = QFileDialog::getOpenFileName(window, QStringLiteral("Open"), proposedPath(QString()),
                                              projectFilter());
        if (chosen.isEmpty())
            return false;
    }
    return load(chosen);
}

bool ProjectCommands::load(const QString& path)
{
    window->setUpdatesEnabled(false);
    ProjectFileHelper helper(window, views);
    loading = true;
    const int result = helper.load(path);
    loading = false;
    window->setUpdatesEnabled(true);
    if (result == ProjectFileFormat::Ok) {
        named(path);
        return true;
    }
    if (helper.replacedLayout()) {
        // What is open now is neither the old project nor the new one: saving it over either file
        // would damage it.
        model->setProjectFilePath(QString());
        model->setModified(1);
        window->setWindowTitle(windowTitle(model));
    }
    host->showErrorMessage(result == ProjectFileFormat::VersionError
                               ? QStringLiteral("File format version error.")
                               : QStringLiteral("File open failed."));
    return false;
}

bool ProjectCommands::saveProject()
{
    const QString path = model->projectFilePath();
    return path.isEmpty() ? saveProjectAs() : saveProjectTo(path);
}

bool ProjectCommands::saveProjectAs()
{
    QString name = QFileInfo(model->projectFilePath()).fileName();
    if (name.isEmpty())
        name = QStringLiteral("Untitled.vantelmidi");
    host->releaseKeyboardKeys();
    const QString chosen =
        QFileDialog::getSaveFileName(window, QStringLiteral("Save"), proposedPath(name), projectFilter());
    return !chosen.isEmpty() && saveProjectTo(chosen);
}

bool ProjectCommands::saveProjectTo(const QString& path)
{
    if (path.isEmpty())
        return false;
    ProjectFileHelper helper(window, views);
    if (helper.save(path) != 0) {
        host->showErrorMessage(QStringLiteral("File save failed."));
        return false;
    }
    named(path);
    return true;
}

void ProjectCommands::named(const QString& path)
{
    const QFileInfo info(path);
    model->setProjectFilePath(path);
    model->setString(ParamProjectFileWorkingDirectory, info.absolutePath());
    model->setModified(0);
    window->setWindowTitle(windowTitle(model));
}
