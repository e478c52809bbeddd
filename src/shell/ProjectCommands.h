#pragma once

#include <QString>

class MainWindow;
class VantelMidiModel;

// File > Open, Save and Save As, and opening a project named on the command line or dropped on
// the window: the file dialogs, the messages, the project's path, working folder and modified flag,
// and the window title. The bytes are ProjectFileHelper's. GUI thread only.
class ProjectCommands
{
public:
    // Neither is owned; both outlive this.
    ProjectCommands(MainWindow* window, VantelMidiModel* model);

    // Asks about unsaved changes, then for a file when path is empty, then loads it (through the
    // main window, which marks the time of loading).
    bool openProject(const QString& path);
    // Loads without asking; a failure is reported here. A load that failed after the old views were
    // closed leaves the project untitled and modified, so that the next save asks for a name.
    bool load(const QString& path);
    // The project named on the command line. One that cannot be loaded leaves the layout of a
    // first start (the default views and size, untitled) under its message.
    bool openStartupProject(const QString& path);
    bool saveProject();
    bool saveProjectAs();
    bool saveProjectTo(const QString& path);

    // The second line of a file message: the path as the system writes it and the reason.
    static QString failureDetail(const QString& path, const QString& reason);

private:
    // Loads and names the project; on failure the message's text and detail, shown by the caller.
    bool loadQuietly(const QString& path, QString* message, QString* detail);
    // The folder of parameter 2 when it exists, else the parameter's default; with "/" + name.
    QString proposedPath(const QString& name) const;
    void named(const QString& path);

    MainWindow* window;
    VantelMidiModel* model;
};
