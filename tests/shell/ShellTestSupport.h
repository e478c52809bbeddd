#pragma once

#include "LoopbackMidiService.h"
#include "MainMenus.h"
#include "MainWindow.h"
#include "MidiEditView.h"
#include "MidiSession.h"
#include "MonitorRefresh.h"
#include "ProjectCommands.h"
#include "SettingsFile.h"
#include "SubWindowManager.h"
#include "VantelMidiModel.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Helpers shared by the main-window tests: the window shown as the user gets it, menus driven by
// mouse clicks and message boxes answered by clicking their buttons, as the user would.

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
    explicit BoxAnswerer(QMessageBox::StandardButton anAnswer) : answer(anAnswer)
    {
        QObject::connect(&poll, &QTimer::timeout, this, &BoxAnswerer::look);
        poll.start(10);
    }

    QMessageBox::StandardButton answer;
    int boxes = 0;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

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
        buttons = box->standardButtons();
        if (box->defaultButton())
            defaultButton = box->standardButton(box->defaultButton());
        // A box that only informs has nothing but Ok.
        QAbstractButton* button = box->button(answer);
        if (!button)
            button = box->button(QMessageBox::Ok);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QTimer poll;
    QPointer<QMessageBox> answered;
};

// Answers every modal file dialog that appears while it lives, as the user would: the file name
// typed over the proposed one and the dialog's accept button clicked, or Cancel clicked when the
// answer is empty. Remembers what the last dialog proposed.
class FileDialogAnswerer : public QObject
{
public:
    explicit FileDialogAnswerer(const QString& anAnswer) : answer(anAnswer)
    {
        QObject::connect(&poll, &QTimer::timeout, this, &FileDialogAnswerer::look);
        poll.start(10);
    }

    QString answer;
    int dialogs = 0;
    QString caption, proposed, filter;
    std::function<void()> whileOpen;

private:
    void look()
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == answered)
            return;
        answered = dialog;
        ++dialogs;
        caption = dialog->windowTitle();
        const QStringList selected = dialog->selectedFiles();
        proposed = selected.isEmpty() ? QString() : selected.first();
        filter = dialog->nameFilters().join(QLatin1Char(';'));
        if (whileOpen)
            whileOpen();
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        if (answer.isEmpty()) {
            QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            return;
        }
        dialog->selectFile(answer);
        QAbstractButton* accept =
            buttons->button(dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                            : QDialogButtonBox::Open);
        QTest::mouseClick(accept, Qt::LeftButton);
    }

    QTimer poll;
    QPointer<QFileDialog> answered;
};

// What the main-window tests work on: a model and the window on it and, for the tests on the
// loopback MIDI system, that host. Test classes derive from it after QObject.
class MainWindowFixture
{
protected:
    // From initTestCase: the loopback MIDI system becomes the host, and the settings go to a folder
    // of this program's own, so parallel test programs do not meet in it.
    void useLoopbackHost()
    {
        QVERIFY(home.isValid());
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        auto service = std::make_unique<LoopbackMidiService>();
        service->setRecordSent(true);
        loop = service.get();
        HostMidiService::install(std::move(service));
    }

    // The window on the model, shown at its default size and taking input.
    void makeWindow()
    {
        window = std::make_unique<MainWindow>(model.get());
        window->show();
        window->resizeToDefault();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    // A first start: no saved settings, a new model and its window.
    void startFresh()
    {
        QFile::remove(SettingsFile::path());
        model = std::make_unique<VantelMidiModel>();
        makeWindow();
    }

    // Port1 out and in on Loopback A, chosen from the port menus.
    void openLoopbackA()
    {
        QVERIFY(chooseFromMenu(window.get(), "&OutputPort", "Loopback A"));
        QVERIFY(chooseFromMenu(window.get(), "&InputPort", "Loopback A"));
    }

    // Each sub-window's title and rectangle, and an editor's text when it has one, in activation
    // order.
    QStringList layout() const
    {
        QStringList lines;
        for (QMdiSubWindow* sub : window->mdiArea()->subWindowList(QMdiArea::ActivationHistoryOrder)) {
            const QRect g = sub->geometry();
            QString line = QStringLiteral("%1 %2,%3 %4x%5")
                               .arg(sub->windowTitle())
                               .arg(g.x())
                               .arg(g.y())
                               .arg(g.width())
                               .arg(g.height());
            auto* edit = qobject_cast<MidiEditView*>(sub->widget());
            if (edit && edit->isSystemExclusiveView() && !edit->text().isEmpty())
                line += QStringLiteral(" [") + edit->text() + QLatin1Char(']');
            lines << line;
        }
        return lines;
    }

    QTemporaryDir home;
    LoopbackMidiService* loop = nullptr;
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<MainWindow> window;
};
