#pragma once

#include <QList>
#include <QVariant>
#include <QtGlobal>

// What a saved view carries besides its own content: which kind of view it is (the kind numbers of
// the saved records: 1 MIDI In monitor ... 14 Start/Stop; 0 stands for the main window) and a few
// extra values that the view needs to be recreated (the Control Change view keeps its controller
// number first). A record that no view has claimed yet holds kind 18, which restores nothing.
class WindowRestorationInfo
{
public:
    static constexpr qint32 UnsetKind = 18;

    virtual ~WindowRestorationInfo() = default;

    qint32 viewKind = UnsetKind;
    QList<QVariant> extraValues;
};
