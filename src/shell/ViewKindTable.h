#pragma once

#include "ViewKind.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <deque>
#include <functional>

class PortMenus;
class QWidget;
class VantelMidiModel;
class ViewHost;

// What a factory gets to build a view.
struct ViewArguments
{
    VantelMidiModel* model = nullptr;
    ViewHost* host = nullptr;
    // The InputPort and OutputPort menus, for views that follow the device lists they read.
    PortMenus* portMenus = nullptr;
    // The kind being opened (the number its saved records carry).
    qint32 kind = 0;
    // Monitor and system-exclusive views: their role (-1: the row's) and the text they start with.
    qint32 editKind = -1;
    QString initialText;
    // Extra values of a saved record (the Control Change view keeps its controller number first)
    // or of the submenu entry that opens the view.
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
    CentredBanner, // frameless, on top, centred, fixed, deleted on close and at the next command
};

// The menu a view kind's entry is in.
enum class ViewMenu
{
    None,
    File,  // between Save As and Quit
    Views, // in the table's order
    Help,
};

// One kind of view: everything the shell needs to list, open, limit, size, save and restore it.
// Rows are written as a chain: ViewKindRow(kind, text, factory).inMenu(ViewMenu::Views).limit(16)...
struct ViewKindRow
{
    using Factory = std::function<QWidget*(const ViewArguments&)>;

    ViewKindRow(qint32 aKind, const char* text, Factory build)
        : kind(aKind), menuText(text), factory(std::move(build))
    {
    }

    qint32 kind;
    const char* menuText; // the text of its menu entry; the window title is made from it
    Factory factory;      // null: the view cannot be built (its opener refuses)

    ViewMenu menu = ViewMenu::None;
    const char* shortcut = nullptr;
    bool separatorBefore = false; // its menu entry follows a separator
    // The entries of a submenu that stands in for the entry; each opens a view with the entry's
    // index as its first extra value.
    std::function<QStringList()> submenu;

    const char* objectName = nullptr; // of its sub-window; null: none
    // How many of its views may be open at once; with 1, opening it again brings the open one to
    // the front.
    int maximum = 1;
    // A kind whose views must have room too (0: none): the monitors need room among the editors.
    qint32 needsRoomAmong = 0;
    // Its role in the monitor and system-exclusive view (EditKind), or -1.
    qint32 editKind = -1;
    // Whether saved records of this kind open it again (settings file, project files).
    bool restorable = false;

    ViewSizeRule sizeRule = ViewSizeRule::Resize;
    QSize size;
    QSize minimum;
    bool noMaximize = false;

    ViewKindRow& inMenu(ViewMenu where, const char* keys = nullptr)
    {
        menu = where;
        shortcut = keys;
        return *this;
    }
    ViewKindRow& afterSeparator()
    {
        separatorBefore = true;
        return *this;
    }
    ViewKindRow& withSubmenu(std::function<QStringList()> entries)
    {
        submenu = std::move(entries);
        return *this;
    }
    ViewKindRow& named(const char* name)
    {
        objectName = name;
        return *this;
    }
    ViewKindRow& limit(int count, qint32 roomAmong = 0)
    {
        maximum = count;
        needsRoomAmong = roomAmong;
        return *this;
    }
    ViewKindRow& editing(qint32 role)
    {
        editKind = role;
        return *this;
    }
    ViewKindRow& saved()
    {
        restorable = true;
        return *this;
    }
    ViewKindRow& sized(ViewSizeRule rule, QSize to = QSize(), QSize atLeast = QSize())
    {
        sizeRule = rule;
        size = to;
        minimum = atLeast;
        return *this;
    }
    ViewKindRow& fixed()
    {
        noMaximize = true;
        return *this;
    }

    bool isAvailable() const { return bool(factory); }
    // "Pitch &Bend" -> "Pitch Bend", "&Preferences..." -> "Preferences".
    QString title() const;
    // Sub-windows that may stay maximised: views that can be resized freely (a keyboard or a
    // transport panel is as tall as its controls).
    bool mayMaximize() const;
};

// The table of view kinds, in the order of the menus. Adding a view is a row and a factory; the
// menus, the openers, the limits, restoring and saving all read the table.
class ViewKindTable
{
public:
    static const std::deque<ViewKindRow>& rows();
    // null for an unknown kind.
    static const ViewKindRow* row(qint32 kind);
    // The row of the view that plays that EditKind role; null when none does.
    static const ViewKindRow* rowForEditKind(qint32 editKind);
    // Whether sub-windows of that object name may stay maximised.
    static bool mayMaximize(const QString& objectName);

    // Adds a row after the built-in ones, for a program that hosts views of its own; before the
    // first main window is built (its menus are made once). A row of a known kind is refused.
    static bool add(const ViewKindRow& row);

private:
    static std::deque<ViewKindRow>& table();
};
