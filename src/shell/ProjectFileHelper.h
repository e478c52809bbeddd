#pragma once

#include <QString>

class QMainWindow;
class SubWindowManager;

// Reads and writes project files for the main window and its views: the layout through WindowLayout, each
// view's content through its FileStream hooks, the bytes through ProjectFileFormat. Made on the stack for one
// load or save. GUI thread only.
//
// Loading takes the whole file apart before it touches a window, so a damaged file leaves the
// layout as it was; only a view that refuses to open or to read its content can fail a load after
// the old views are gone (replacedLayout tells the caller). Saving builds the whole file in memory
// and writes it through a temporary file that replaces the old one only when everything was
// written, so a failing view, a full disk or a crash leaves the previous project intact.
class ProjectFileHelper
{
public:
    // Neither is owned.
    ProjectFileHelper(QMainWindow* window, SubWindowManager* views);
    virtual ~ProjectFileHelper();

    // ProjectFileFormat::Ok, VersionError or Failed.
    int load(const QString& path);
    // 0 success, 1 failure (nothing written when a view could not store its content).
    int save(const QString& path);

    // Whether the last load closed the views that were open before it.
    bool replacedLayout() const { return layoutReplaced; }

private:
    QMainWindow* window;
    SubWindowManager* views;
    bool layoutReplaced = false;
};
