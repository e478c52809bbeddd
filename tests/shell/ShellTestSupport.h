#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

// Helpers shared by the main-window tests: menus driven by mouse clicks and message boxes answered
// by clicking their buttons, as the user would.

inline QAction* menuBarEntry(QMainWindow* window, const QString& title)
{
    for (QAction* a : window->menuBar()->actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

// Opens a top-level menu by clicking its title in the menu bar (so aboutToShow runs) and returns
// it once it is visible.
inline QMenu* openMenu(QMainWindow* window, const QString& title)
{
    QMenuBar* bar = window->menuBar();
    QAction* titleAction = menuBarEntry(window, title);
    if (!titleAction)
        return nullptr;
    QMenu* menu = titleAction->menu();
    if (menu->isVisible())
        menu->hide();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(titleAction).center());
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000))
        return nullptr;
    return menu;
}

inline QAction* findEntry(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

// Opens the menu and clicks the entry with that text; false when either is missing.
inline bool chooseFromMenu(QMainWindow* window, const QString& title, const QString& entry)
{
    QMenu* menu = openMenu(window, title);
    if (!menu)
        return false;
    QAction* action = findEntry(menu, entry);
    if (!action) {
        menu->hide();
        return false;
    }
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    // The closed pop-up leaves the activation to the window system; shortcuts typed next need the
    // main window active again.
    if (QApplication::activeModalWidget())
        return true;
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Answers every modal message box that appears while it lives by clicking one of its buttons, and
// remembers what the last one said.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer) : answer(answer)
    {
        QObject::connect(&poll, &QTimer::timeout, this, &BoxAnswerer::look);
        poll.start(10);
    }

    QMessageBox::StandardButton answer;
    int boxes = 0;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    void look()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == answered)
            return;
        answered = box;
        ++boxes;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        QTest::mouseClick(box->button(answer), Qt::LeftButton);
    }

    QTimer poll;
    QPointer<QMessageBox> answered;
};
