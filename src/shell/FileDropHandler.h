#pragma once

#include <QObject>
#include <QString>

class ProjectCommands;
class QMdiArea;
class QMimeData;
class SubWindowManager;
class VantelMidiModel;

// Files dropped on the empty part of the main window's area: a project file (".vantelmidi") is
// opened after the save question, a system-exclusive file opens in a new editor. Drops are refused
// while a modal window is open or a transmission runs. Only the first dropped item counts. GUI
// thread only.
class FileDropHandler : public QObject
{
    Q_OBJECT

public:
    // None is owned; all outlive the handler. Drags over the empty area arrive at the area or at its
    // viewport, depending on which of them accepts drops; the handler watches both.
    FileDropHandler(QMdiArea* area, SubWindowManager* views, ProjectCommands* projects,
                    VantelMidiModel* model);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The complete suffix of the first dropped item ("dump.syx.txt": "syx.txt"), or an empty text.
    static QString droppedSuffix(const QMimeData* data);

private:
    bool dropped(QEvent* event);

    SubWindowManager* views;
    ProjectCommands* projects;
    VantelMidiModel* model;
};
