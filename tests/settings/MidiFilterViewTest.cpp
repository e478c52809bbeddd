// The filter view driven with the mouse: every kind of control writes its filter parameter, the
// All and Clear buttons of each group, the detail pages, the parser notice, and what the choices
// do to the MIDI In monitor through the analyzer.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "SettingsViewHost.h"

#include "AnalyzerRig.h"
#include "CheckBox.h"
#include "MidiControlChangeFilterView.h"
#include "MidiFilterView.h"
#include "PushButton.h"
#include "ViewKind.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include <memory>

namespace {

// The ">" button that shows a detail page, by page.
QString pageButtonName(int page)
{
    static const char* const names[] = {"Control Change", "System Common", "System Realtime"};
    return QStringLiteral("Show the filter settings view of %1").arg(QLatin1String(names[page]));
}

// Seven messages on Port1: Note On, Note On with velocity 0, Note Off, Volume, Pan, Timing Clock,
// Tune Request.
const char* const monitorInput = "90 3C 40 90 3C 00 80 3C 40 B0 07 64 B0 0A 40 F8 F6";

} // namespace

class MidiFilterViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<AnalyzerRig> rig;
    std::unique_ptr<MidiFilterView> view;

    void openView()
    {
        view = std::make_unique<MidiFilterView>(nullptr, &rig->model, nullptr);
        QVERIFY(showActive(view.get()));
    }

    QAbstractButton* button(const QString& text) const
    {
        const QList<QAbstractButton*> buttons = view->findChildren<QAbstractButton*>();
        for (QAbstractButton* b : buttons) {
            if ((b->text() == text || b->accessibleName() == text) && b->isVisibleTo(view.get()))
                return b;
        }
        return nullptr;
    }

    // page: the detail page to show first, or -1.
    void click(int page, const QString& text)
    {
        if (page >= 0)
            click(-1, pageButtonName(page));
        QAbstractButton* target = button(text);
        QVERIFY2(target != nullptr, qPrintable(text));
        if (page == MidiFilterView::ControlChangePage)
            view->controlChangePage()->scrollArea()->ensureWidgetVisible(target);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
    }

    qint32 value(qint32 id) const { return rig->model.getValue(id); }

private Q_SLOTS:
    void init()
    {
        rig = std::make_unique<AnalyzerRig>();
        openView();
    }

    void cleanup()
    {
        view.reset();
        rig.reset();
    }

    // One row per kind of control and place: both channel columns, a message box, a group heading
    // (stored, though the filter does not read it: the analyzer's own test), and each detail page.
    void controlsWriteTheirParameter_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("id");
        QTest::newRow("channel 1") << -1 << "1" << qint32(600);
        QTest::newRow("channel 9") << -1 << "9" << qint32(608);
        QTest::newRow("note off") << -1 << "Note Off" << qint32(700);
        QTest::newRow("control change heading") << -1 << "Control Change" << qint32(703);
        QTest::newRow("controller 0") << 0 << "000 Bank (MSB)" << qint32(800);
        QTest::newRow("tune request") << 1 << "(F6) Tune Request" << qint32(1003);
        QTest::newRow("system reset") << 2 << "(FF) System Reset" << qint32(1105);
    }

    void controlsWriteTheirParameter()
    {
        QFETCH(int, page);
        QFETCH(QString, text);
        QFETCH(qint32, id);
        click(page, text);
        QCOMPARE(value(id), 1);
        QVERIFY(button(text)->isChecked());
        click(-1, text);
        QCOMPARE(value(id), 0);
        QVERIFY(!button(text)->isChecked());
        // A change from elsewhere shows.
        rig->model.setValue(id, 1);
        QVERIFY(button(text)->isChecked());
    }

    void allAndClear()
    {
        const struct
        {
            int page;
            const char* messages;
            qint32 first, last;
        } groups[] = {{-1, "channels", 600, 615},
                      {0, "Control Change Messages", 800, 927},
                      {1, "System Common Messages", 1000, 1003},
                      {2, "System Realtime Messages", 1100, 1105}};
        for (const auto& g : groups) {
            click(g.page, QStringLiteral("Set all %1").arg(QLatin1String(g.messages)));
            for (qint32 id = g.first; id <= g.last; ++id)
                QCOMPARE(value(id), 1);
            // Nothing outside the group.
            QCOMPARE(value(g.first - 1), 0);
            QCOMPARE(value(g.last + 1), 0);
            QCOMPARE(value(ParamFilterNoteOff), 0);
            click(-1, QStringLiteral("Clear all %1").arg(QLatin1String(g.messages)));
            for (qint32 id = g.first; id <= g.last; ++id)
                QCOMPARE(value(id), 0);
        }
    }

    void parserOffCoversTheView()
    {
        QCOMPARE(view->focusWidget(), view->channelButtons().first());
        QVERIFY(view->overlay()->isHidden());

        rig->model.setValue(ParamParser, 0);
        QVERIFY(!view->isEnabled());
        QVERIFY(view->overlay()->isVisible());
        QCOMPARE(
            view->overlayText(),
            QStringLiteral("Filter function is currently disabled.\nTurn On File > Preferences > Parser."));
        // The notice covers the whole view and takes the clicks.
        QCOMPARE(view->overlay()->geometry(), view->rect());
        QCOMPARE(view->childAt(QPoint(30, 35)), view->overlay()->findChild<QLabel*>());
        click(-1, QStringLiteral("1"));
        QCOMPARE(value(paramFilterChannel(1)), 0);

        rig->model.setValue(ParamParser, 1);
        QVERIFY(view->isEnabled());
        QVERIFY(view->overlay()->isHidden());
        click(-1, QStringLiteral("1"));
        QCOMPARE(value(paramFilterChannel(1)), 1);

        // Opened while the parser is off: covered from the start, and the hidden buttons take no
        // focus.
        rig->model.setValue(ParamParser, 0);
        openView();
        QVERIFY(!view->isEnabled());
        QVERIFY(view->overlay()->isVisible());
        QVERIFY(!view->channelButtons().first()->hasFocus());
    }

    // What the MIDI In monitor shows of the same seven messages after one choice in the view.
    void inMonitorFollowsTheChoices_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<quint32>("lines");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("nothing") << -1 << "" << 7u << QStringList();
        QTest::newRow("all channels")
            << -1 << "Set all channels" << 2u
            << QStringList{"90 3C 40", "90 3C 00", "80 3C 40", "B0 07 64", "B0 0A 40"};
        QTest::newRow("volume") << 0 << "007 Volume" << 6u << QStringList{"B0 07 64"};
        QTest::newRow("note off") << -1 << "Note Off" << 5u << QStringList{"90 3C 00", "80 3C 40"};
        QTest::newRow("timing clock") << 2 << "(F8) Timing Clock" << 6u << QStringList{"F8"};
        QTest::newRow("tune request") << 1 << "(F6) Tune Request" << 6u << QStringList{"F6"};
    }

    void inMonitorFollowsTheChoices()
    {
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(quint32, lines);
        QFETCH(QStringList, hidden);
        if (!control.isEmpty())
            click(page, control);
        rig->receive(QString::fromLatin1(monitorInput));
        const AnalyzerRig::Text text = rig->take();
        // Every monitor line starts with a line feed.
        QCOMPARE(quint32(text.in.count(QLatin1Char('\n'))), lines);
        for (const QString& bytes : hidden)
            QVERIFY2(!text.in.contains(bytes), qPrintable(text.in));
    }

    void openingAndClosingMarkTheProject()
    {
        QCOMPARE(value(ParamModified), 1);
        rig->model.setValue(ParamModified, 0);
        view->close();
        QCOMPARE(value(ParamModified), 1);

        // A view opened while a project is restored leaves the filter as it was and shows it:
        // nothing in it is a change the user made.
        click(-1, QStringLiteral("3"));
        click(-1, QStringLiteral("Note Off"));
        QCOMPARE(value(paramFilterChannel(3)), 1);
        QCOMPARE(value(ParamFilterNoteOff), 1);
        view.reset();
        rig->model.setValue(ParamModified, 0);
        rig->model.lockModified();
        view = std::make_unique<MidiFilterView>(nullptr, &rig->model, nullptr);
        rig->model.unlockModified();
        QVERIFY(showActive(view.get()));
        QCOMPARE(value(ParamModified), 0);
        QCOMPARE(value(paramFilterChannel(3)), 1);
        QCOMPARE(value(ParamFilterNoteOff), 1);
        QVERIFY(button(QStringLiteral("3"))->isChecked());
        QVERIFY(button(QStringLiteral("Note Off"))->isChecked());
        QVERIFY(!button(QStringLiteral("4"))->isChecked());
        QCOMPARE(view->viewKind, qint32(ViewKind::Filter));
        checkEmptyProjectBlock(view.get());
    }
};

VANTEL_WIDGET_TEST_MAIN(MidiFilterViewTest)
#include "MidiFilterViewTest.moc"
