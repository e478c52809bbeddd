#include "FileStream.h"
#include "ShellTestSupport.h"
#include "ViewKindTable.h"
#include "WindowRestorationInfo.h"

#include <QDataStream>
#include <QLabel>

namespace {

constexpr qint32 ScratchKind = 77;

// A view that exists only in this program: a label whose text the project file keeps.
class ScratchView : public QLabel, public WindowRestorationInfo, public FileStream
{
public:
    explicit ScratchView(const ViewArguments& arguments) : QLabel(QStringLiteral("scratch"))
    {
        viewKind = arguments.kind;
    }

    bool readFromStream(QDataStream& stream) override
    {
        QString saved;
        if (!readStringField(stream, 1, &saved))
            return false;
        setText(saved);
        return true;
    }
    bool writeToStream(QDataStream& stream) override { return writeStringField(stream, 1, text()); }
};

} // namespace

// A view kind added with nothing but its row and its factory: it has its menu entry and shortcut,
// opens, stays within its limit, and is saved and restored with the layout and in project files.
class ViewKindRowTest : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Q_INIT_RESOURCE(images);
        useLoopbackHost();
        const auto factory = [](const ViewArguments& arguments) { return new ScratchView(arguments); };
        QVERIFY(ViewKindTable::add(ViewKindRow(ScratchKind, "Scratc&h", factory)
                                       .inMenu(ViewMenu::Views, "Ctrl+Shift+H")
                                       .named("ScratchSubWindow")
                                       .limit(2)
                                       .saved()
                                       .sized(ViewSizeRule::Resize, {200, 150})));
        // A kind the table has already is refused.
        QVERIFY(!ViewKindTable::add(ViewKindRow(ViewKind::Keyboard, "&Keys", factory)));
    }

    void cleanup()
    {
        if (model)
            model->setModified(0);
        window.reset();
        model.reset();
    }

    void listedOpenedAndLimited()
    {
        startFresh();
        QMenu* views = openMenu(window.get(), "&Views");
        QVERIFY(views);
        QCOMPARE(views->actions().constLast()->text(), QStringLiteral("Scratc&h"));
        views->hide();

        QVERIFY(chooseFromMenu(window.get(), "&Views", "Scratc&h"));
        QTest::keyClick(window.get(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        const QList<QMdiSubWindow*> open = window->subWindows()->multiViewList(ScratchKind);
        QCOMPARE(open.size(), 2);
        QCOMPARE(open.first()->windowTitle(), QStringLiteral("Scratch"));
        QCOMPARE(open.first()->size(), QSize(200, 150));
        QVERIFY(SubWindowManager::mayMaximize(open.first()));

        BoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(chooseFromMenu(window.get(), "&Views", "Scratc&h"));
        QTRY_COMPARE(answerer.boxes, 1);
        QCOMPARE(answerer.text, QStringLiteral("Unable to open a new Scratch View.\n"
                                               "Please close any opened Scratch View before trying again."));
        QCOMPARE(window->subWindows()->multiViewList(ScratchKind).size(), 2);
    }

    void savedWithTheLayoutAndInProjects()
    {
        startFresh();
        window->subWindows()->closeAll();
        QMdiSubWindow* sub = window->subWindows()->openView(ScratchKind);
        QVERIFY(sub);
        sub->move(30, 40);
        static_cast<QLabel*>(sub->widget())->setText(QStringLiteral("kept"));

        // The settings file at the close, read at the next start.
        window->close();
        window.reset();
        makeWindow();
        QCOMPARE(layout(), QStringList{"Scratch 30,40 200x150"});

        // A project file, with the view's content.
        static_cast<QLabel*>(window->subWindows()->singleView(ScratchKind)->widget())
            ->setText(QStringLiteral("kept"));
        const QString path = home.filePath(QStringLiteral("scratch.vantelmidi"));
        QVERIFY(window->projects()->saveProjectTo(path));
        window->subWindows()->closeAll();
        QVERIFY(window->projects()->load(path));
        QCOMPARE(layout(), QStringList{"Scratch 30,40 200x150"});
        auto* label = qobject_cast<QLabel*>(window->subWindows()->singleView(ScratchKind)->widget());
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("kept"));
    }
};

QTEST_MAIN(ViewKindRowTest)
#include "ViewKindRowTest.moc"
