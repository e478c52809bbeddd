#pragma once

#include "ProjectFileFormat.h"

#include <QList>

class QMainWindow;
class QMdiSubWindow;
class SubWindowManager;
class VantelMidiModel;

// The saved form of the window layout, shared by the settings file and project files: a record
// for the main window and one for each sub-window whose view can be recreated (a
// WindowRestorationInfo), in the area's activation order, least recently activated first; and the
// way back from such records to windows. What is read back may come from a damaged or edited file:
// rectangles are kept within what a window can have and only the four known state bits are used.
// GUI thread only.
class WindowLayout
{
public:
    struct SavedView
    {
        ProjectFileFormat::Record record;
        QMdiSubWindow* subWindow = nullptr;
    };

    // Where the main window is, in its normal state when it is maximised or minimised; the height
    // as the window has it (the settings file) or without the menu bar (project files).
    static ProjectFileFormat::Record mainWindowRecord(QMainWindow* window, bool withoutMenuBar);
    static QList<SavedView> viewRecords(const SubWindowManager* views);

    // The main window placed by a saved record: brought onto a screen, its state added to the
    // current one and kept on top when it was. From a project file the state full screen becomes
    // maximised, the menu bar height is added back for files that left it out, and the top edge is
    // kept below the window frame's top.
    static void restoreMainWindow(QMainWindow* window, const ProjectFileFormat::Record& record);
    static void restoreMainWindowFromProject(QMainWindow* window, const ProjectFileFormat::Record& record,
                                             bool addMenuBarHeight);
    // A saved view opened again (see SubWindowManager::restoreView); null when it was refused.
    static QMdiSubWindow* restoreView(SubWindowManager* views, const ProjectFileFormat::Record& record);

    // Writes "SavePosition" of the settings file; reopens the windows it holds, or the default
    // layout when it holds none.
    static void saveWindowPositions(QMainWindow* window, const SubWindowManager* views);
    static void restoreWindowPositions(QMainWindow* window, SubWindowManager* views, VantelMidiModel* model);

    // The record with its rectangle moved and sized into the range a window can take and its
    // state reduced to the minimised, maximised, full-screen and active bits.
    static ProjectFileFormat::Record sanitized(const ProjectFileFormat::Record& record);
};
