#pragma once

#include <QMessageBox>
#include <QString>

class QMainWindow;
class SubWindowManager;
class VantelMidiModel;
class ViewHost;

// File > Open, Save and Save As, and opening a project named on the command line or dropped on
// the window: the save question, the file dialogs, the messages, the project's path, working folder
// and modified flag, and the window title. The bytes are ProjectFileHelper's. GUI thread only.
class ProjectCommands
{
public:
    // None is owned; all outlive this. window parents the dialogs and shows the title; views are
    // its views; host releases the notes held from the computer keyboard and shows the messages.
    ProjectCommands(QMainWindow* window, SubWindowManager* views, ViewHost* host, VantelMidiModel* model);

    // "Vantel MIDI", after the project's file name and a star while it is modified.
    static QString windowTitle(const VantelMidiModel* model);

    // Yes, No or Cancel.
    QMessageBox::StandardButton askSaveChanges();
    // When the project has unsaved changes, asks whether to save them. True when the caller may
    // go on: nothing to save, "No", or "Yes" and the save succeeded.
    bool settleUnsavedChanges();

    // Asks about unsaved changes, then for a file when path is empty, then loads it.
    bool openProject(const QString& path);
    // Loads without asking; a failure is reported here. A load that failed after the old views were
    // closed leaves the project untitled and modified, so that the next save asks for a name.
    bool load(const QString& path);
    // True while a project file is being read: views then restore values without sending them.
    bool isLoading() const { return loading; }
    bool saveProject();
    bool saveProjectAs();
    bool saveProjectTo(const QString& path);

private:
    // The folder of parameter 2 when it exists, else the parameter's default; with "/" + name.
    QString proposedPath(const QString& name) const;
    void named(const QString& path);

    QMainWindow* window;
    SubWindowManager* views;
    ViewHost* host;
    VantelMidiModel* model;
    bool loading = false;
};
