#pragma once

#include "ViewKind.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QVariant>

#include <functional>

class QWidget;
class VantelMidiModel;
class ViewHost;

// What a factory gets to build a view.
struct ViewArguments
{
    VantelMidiModel* model = nullptr;
    ViewHost* host = nullptr;
    // The main window, for views that follow its signals.
    QObject* window = nullptr;
    // Monitor and system-exclusive views: their role and the text they start with.
    qint32 editKind = EditKind::SystemExclusive;
    QString initialText;
    // Extra values of a saved record (the Control Change view keeps its controller number first)
    // or of the menu entry that opens the view.
    QList<QVariant> extraValues;
};

// How a view's sub-window is sized when it opens.
enum class ViewSizeRule
{
    EditContent,   // the content size asked for, else `size`
    Resize,        // stays where it is and gets `size`
    FixedHeight,   // height as built; width from `minimum.width()` to `size.width()`
    FixedWidth,    // fixed size: `size.width()` by the height as built
    FixedAsBuilt,  // fixed at the size it is built with
    FixedSize,     // fixed at `size`
    Bounded,       // `size`, between `minimum` and `size`
    CentredText,   // sized to the view, centred in the main window, deleted on close
    CentredBanner, // frameless, on top, centred, fixed, deleted on close
};

// One kind of view: everything the shell needs to list, open, limit, size and restore it.
struct ViewKindRow
{
    ViewKind::Kind kind;
    const char* menuText;   // the text its menu entry has; the window title is made from it
    const char* shortcut;   // null: none
    qint32 menuData;        // data of its Views-menu action; -1 when it has no entry there
    const char* objectName; // of its sub-window; null: none
    qint32 slot;            // single-view slot, or -1
    qint32 list;            // multi-view list, or -1
    ViewSizeRule sizeRule;
    QSize size;
    QSize minimum;
    bool noMaximize;
    // Builds the view; null when the view cannot be built with these arguments (its opener refuses).
    std::function<QWidget*(const ViewArguments&)> factory;

    bool isAvailable() const { return bool(factory); }
};

// The table of view kinds, in the order of the Views menu. Adding a view is a row here and a
// factory; the menus, the openers, the limits, restoring and saving all read the table.
class ViewKindTable
{
public:
    static constexpr int SlotCount = 12;
    static constexpr int ListCount = 6;
    enum Slot
    {
        SlotMidiInMonitor = 0,
        SlotMidiOutMonitor,
        SlotAbout,
        SlotFilter,
        SlotMidiSettings,
        SlotPCKeyboard,
        SlotOpenSourceLicense,
        SlotSoftwareLicense,
        SlotTimingClock,
        SlotStartStop,
        SlotActiveSensing,
        SlotPreferences,
    };
    enum List
    {
        ListSystemExclusive = 0,
        ListControlChange,
        ListKeyboard,
        ListProgramChange,
        ListPitchBend,
        ListCustomMidiMessage,
    };

    static const QList<ViewKindRow>& rows();
    // null for an unknown kind.
    static const ViewKindRow* row(qint32 kind);
    static const ViewKindRow* rowForMenuData(quint32 data);
    // How many views of a list may be open at once.
    static int listLimit(int list);
    // "Pitch &Bend" -> "Pitch Bend", "&Preferences..." -> "Preferences".
    static QString title(const QString& menuText);
    // Whether sub-windows of that object name may stay maximised.
    static bool mayMaximize(const QString& objectName);
};
