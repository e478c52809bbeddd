// The MIDI settings view driven with the mouse against a scripted host: the port lists, choosing
// ports (refused devices, "Not Connected", the device in use), refreshing the lists, the monitor
// buttons, the bulk interval and the parser, the routing lines, and the routing popup with its
// re-arm rule.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "SettingsViewHost.h"

#include "ComboBox.h"
#include "MIDISettingsGroupBox.h"
#include "MidiSettingsView.h"
#include "PushButton.h"
#include "RoutingPopupList.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewKind.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <memory>

namespace {

// Counts the menus that open and hands each to action once it is up (a menu runs its own event
// loop, so the test acts from inside it).
class MenuWatcher : public QObject
{
public:
    explicit MenuWatcher(std::function<void(QMenu*)> anAction) : action(std::move(anAction))
    {
        qApp->installEventFilter(this);
    }
    ~MenuWatcher() override { qApp->removeEventFilter(this); }

    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* menu = qobject_cast<QMenu*>(watched);
        if (menu != nullptr && event->type() == QEvent::Show) {
            ++shown;
            QPointer<QMenu> guard(menu);
            QMetaObject::invokeMethod(
                this,
                [this, guard] {
                    if (guard != nullptr)
                        action(guard);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void(QMenu*)> action;
};

void clickEntry(QMenu* menu, const QString& text)
{
    for (QAction* entry : menu->actions()) {
        if (entry->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(entry).center());
            return;
        }
    }
    QFAIL(qPrintable(text));
}

bool near(QRgb pixel, const QColor& colour)
{
    return qAbs(qRed(pixel) - colour.red()) < 40 && qAbs(qGreen(pixel) - colour.green()) < 40 &&
           qAbs(qBlue(pixel) - colour.blue()) < 40;
}

} // namespace

class MidiSettingsViewTest : public QObject
{
    Q_OBJECT

    VantelMidiModel model;
    std::unique_ptr<SettingsViewHost> host;
    std::unique_ptr<MidiSettingsView> view;

    void openView()
    {
        view = std::make_unique<MidiSettingsView>(nullptr, &model, host.get());
        QVERIFY(showActive(view.get()));
    }

    ComboBox* combo(int which) const
    {
        ComboBox* const boxes[] = {view->firstInputComboBox(), view->secondInputComboBox(),
                                   view->firstOutputComboBox(), view->secondOutputComboBox()};
        return boxes[which];
    }

private Q_SLOTS:
    void init()
    {
        host = std::make_unique<SettingsViewHost>();
        host->inputs.devices = QStringList{"In A", "In B", "In C"};
        host->inputs.current[0] = QStringLiteral("In B");
        host->inputs.refused = QStringList{"In A"};
        host->outputs.devices = QStringList{"Out A", "Out B"};
        host->outputs.current[0] = QStringLiteral("Out A");
        // A device that has gone since it was chosen.
        host->outputs.current[1] = QStringLiteral("Out Gone");
        for (qint32 id = ParamMidiThru; id <= ParamMonitorPort2; ++id)
            model.setValue(id, model.getDefault(id));
        model.setValue(ParamParser, 1);
        openView();
        host->calls.clear();
    }

    void cleanup()
    {
        view.reset();
        host.reset();
    }

    void listsAtOpening()
    {
        const QStringList inputs{"Not Connected", "In A", "In B", "In C"};
        const QStringList outputs{"Not Connected", "Out A", "Out B"};
        const QStringList lists[] = {inputs, inputs, outputs, outputs};
        const int current[] = {2, 0, 1, 0};
        for (int which = 0; which < 4; ++which) {
            QCOMPARE(itemTexts(combo(which)), lists[which]);
            QCOMPARE(combo(which)->currentIndex(), current[which]);
            QCOMPARE(model.getValue(ParamInputPortIndex + which), current[which]);
        }
        // Listing closes a port whose device is gone; the view forgets no choice by itself.
        openView();
        QCOMPARE(host->calls, QStringList());
    }

    void choosingAPort_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("result");
        QTest::newRow("Port1 input") << 0 << 3 << "open in 0 2" << 3;
        QTest::newRow("Port2 input") << 1 << 2 << "open in 1 1" << 2;
        QTest::newRow("Port1 output none") << 2 << 0 << "open out 0 -1" << 0;
        QTest::newRow("Port2 output") << 3 << 2 << "open out 1 1" << 2;
        QTest::newRow("refused device") << 0 << 1 << "open in 0 0" << 0;
        QTest::newRow("device in use reopens") << 0 << 2 << "open in 0 1" << 2;
    }

    void choosingAPort()
    {
        QFETCH(int, which);
        QFETCH(int, item);
        QFETCH(QString, call);
        QFETCH(int, result);
        chooseItem(combo(which), item);
        QCOMPARE(host->calls, QStringList(call));
        QCOMPARE(combo(which)->currentIndex(), result);
        QCOMPARE(model.getValue(ParamInputPortIndex + which), result);
        QCOMPARE(host->errors.isEmpty(), result == item);
    }

    // The lists are read again on the button and when the host reports new device lists.
    void listsRefresh()
    {
        // "In B", in use on Port1, is unplugged; a new device arrives.
        host->inputs.devices = QStringList{"In A", "In C", "In D"};
        host->outputs.devices = QStringList{"Out B", "Out A"};
        QTest::mouseClick(view->updatePortListButton(), Qt::LeftButton);
        QCOMPARE(combo(0)->itemText(3), QStringLiteral("In D"));
        QCOMPARE(combo(0)->currentIndex(), 0);
        QCOMPARE(model.getValue(ParamInputPortIndex), 0);
        QVERIFY(host->calls.isEmpty());
        // A device still there follows its new place.
        QCOMPARE(combo(2)->currentIndex(), 2);
        QCOMPARE(model.getValue(ParamOutputPortIndex), 2);

        host->outputs.devices = QStringList{"Out C", "Out A"};
        view->portListUpdated();
        QCOMPARE(itemTexts(combo(3)), (QStringList{"Not Connected", "Out C", "Out A"}));
    }

    void bulkIntervalNeedsTheParser()
    {
        const QString notice = QStringLiteral(
            "Bulk interval function is currently disabled.\nTurn On File > Preferences > Parser.");
        SpinBox* spin = view->bulkIntervalSpinBox();
        QLabel* label = view->bulkIntervalLabel();
        for (qint32 parser : {0, 1}) {
            model.setValue(ParamParser, parser);
            wheelTurn(spin, spin->rect().center(), 120);
            QCOMPARE(model.getValue(ParamBulkInterval), parser);
            for (QWidget* widget : {static_cast<QWidget*>(spin), static_cast<QWidget*>(label)}) {
                QCOMPARE(widget->isEnabled(), parser != 0);
                QCOMPARE(widget->toolTip(), parser != 0 ? QString() : notice);
            }
        }
        // Opened while the parser is off.
        model.setValue(ParamParser, 0);
        openView();
        QVERIFY(!view->bulkIntervalSpinBox()->isEnabled());
        QCOMPARE(view->bulkIntervalSpinBox()->toolTip(), notice);
    }

    // Which lines the group box draws for each routing: value 1 to the own output, 2 to the other,
    // 3 to both. The sample points lie on one line each, clear of the arrowheads and the crossing.
    void routingLines()
    {
        const struct
        {
            qint32 routing1, routing2;
            const char* lines; // 1->1, 1->2, 2->2, 2->1
        } rows[] = {{0, 0, "0000"}, {1, 1, "1010"}, {2, 2, "0101"}, {3, 0, "1100"}, {0, 3, "0011"}};
        const QPoint samples[] = {{247, 60}, {245, 65}, {247, 95}, {245, 89}};
        const QColor colours[] = {{12, 109, 255}, {12, 109, 255}, {133, 80, 80}, {133, 80, 80}};
        for (const auto& row : rows) {
            model.setValue(ParamMidiThru, row.routing1);
            model.setValue(ParamMidiThruSecond, row.routing2);
            const QImage image = view->portGroup()->grab().toImage();
            for (int i = 0; i < 4; ++i) {
                const QRgb pixel = image.pixel(samples[i]);
                QVERIFY2(near(pixel, colours[i]) == (row.lines[i] == '1'),
                         qPrintable(QStringLiteral("routing %1 %2, line %3: %4")
                                        .arg(row.routing1)
                                        .arg(row.routing2)
                                        .arg(i)
                                        .arg(QColor(pixel).name())));
            }
            // The arrowheads are always there.
            QVERIFY(near(image.pixel(258, 57), Qt::gray) && near(image.pixel(258, 92), Qt::gray));
        }
    }

    void routingPopupChooses_data()
    {
        QTest::addColumn<bool>("second");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("Port1") << false
                               << QStringList{"Off", "Port1->Port1", "Port1->Port2", "Port1->Port1+Port2"};
        QTest::newRow("Port2") << true
                               << QStringList{"Off", "Port2->Port2", "Port2->Port1", "Port2->Port1+Port2"};
    }

    void routingPopupChooses()
    {
        QFETCH(bool, second);
        QFETCH(QStringList, texts);
        RoutingPopupList* list = second ? view->port2RoutingList() : view->port1RoutingList();
        const qint32 id = second ? ParamMidiThruSecond : ParamMidiThru;
        model.setValue(id, 1);
        QStringList shownTexts;
        QString checked;
        QString active;
        MenuWatcher watcher([&](QMenu* menu) {
            for (QAction* entry : menu->actions()) {
                shownTexts.append(entry->text());
                if (entry->isChecked())
                    checked = entry->text();
            }
            active = menu->activeAction() != nullptr ? menu->activeAction()->text() : QString();
            clickEntry(menu, texts.at(3));
        });
        QTest::mouseClick(list, Qt::LeftButton);
        QCOMPARE(watcher.shown, 1);
        QCOMPARE(shownTexts, texts);
        QCOMPARE(checked, texts.at(1));
        QCOMPARE(active, texts.at(1));
        QCOMPARE(model.getValue(id), 3);
        QCOMPARE(second ? view->portGroup()->port2Routing() : view->portGroup()->port1Routing(), 3);
        QVERIFY(!list->isMenuOpen());
    }

    // The press that closes the menu must not open it again, nor may one right after it; once
    // the re-arm timer has run out a press opens the menu.
    void routingPopupRearms()
    {
        RoutingPopupList* list = view->port1RoutingList();
        MenuWatcher watcher([&](QMenu*) {
            // A click on the control itself while its menu is up.
            QTest::mouseClick(list, Qt::LeftButton);
        });
        QTest::mouseClick(list, Qt::LeftButton);
        QCOMPARE(watcher.shown, 1);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QVERIFY(!list->isPopupAllowed());
        QVERIFY(list->rearmTimer()->isActive());
        QCOMPARE(model.getValue(ParamMidiThru), 0);

        QTest::mouseClick(list, Qt::LeftButton);
        QCOMPARE(watcher.shown, 1);
        QVERIFY(QApplication::activePopupWidget() == nullptr);

        QSignalSpy rearmed(list->rearmTimer(), &QTimer::timeout);
        QVERIFY(rearmed.wait());
        QVERIFY(list->isPopupAllowed());
        MenuWatcher closer([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
        QTest::mouseClick(list, Qt::LeftButton);
        QCOMPARE(closer.shown, 1);
        QCOMPARE(model.getValue(ParamMidiThru), 0);
    }

    void routingHighlightWhileHovered()
    {
        RoutingPopupList* list = view->port1RoutingList();
        QCOMPARE(list->accessibleName(), QStringLiteral("Port1 MIDI Thru Setting"));
        const QPoint centre = list->rect().center();
        const QRgb plain = list->grab().toImage().pixel(centre);
        // The window system reports no move without a change of place: come from outside.
        QTest::mouseMove(view.get(), QPoint(2, 2));
        QTest::mouseMove(list, centre);
        QTRY_VERIFY(list->isHovered());
        QVERIFY(list->grab().toImage().pixel(centre) != plain);
        QTest::mouseMove(view.get(), QPoint(2, 2));
        QTRY_VERIFY(!list->isHovered());
    }

    void viewBasics()
    {
        QCOMPARE(view->viewKind, qint32(ViewKind::MidiSettings));
        QCOMPARE(view->focusWidget(), view->port1MonitorButton());
        // The monitor buttons are labelled with their parameters' names.
        QCOMPARE(view->port2MonitorButton()->text(), QStringLiteral("Port2"));
        QTest::mouseClick(view->port2MonitorButton(), Qt::LeftButton);
        QCOMPARE(model.getValue(ParamMonitorPort2), 0);
        QCOMPARE(model.getValue(ParamMonitorPort1), 1);
        QCOMPARE(model.getValue(ParamModified), 1);
        model.setValue(ParamModified, 0);
        view->close();
        QCOMPARE(model.getValue(ParamModified), 1);
        checkEmptyProjectBlock(view.get());
    }
};

VANTEL_WIDGET_TEST_MAIN(MidiSettingsViewTest)
#include "MidiSettingsViewTest.moc"
