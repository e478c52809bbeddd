#include "WidgetTestSupport.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "Model.h"
#include "PushButton.h"

#include <QVBoxLayout>

#include <memory>

namespace {

const qint32 SwitchId = 20;
const qint32 ModeId = 21;
const qint32 SingleId = 22;
const qint32 PortId = 23;

QString modeText(qint32 value, qint32* error)
{
    static const char* const names[] = {"Off", "Low", "Mid", "High"};
    if (value < 0 || value > 3) {
        if (error)
            *error = 1;
        return QString();
    }
    if (error)
        *error = 0;
    return QString::fromLatin1(names[value]);
}

// On the indicator: a check box takes clicks on its indicator and text only.
void clickBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

} // namespace

class BoundControlsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<Model>();
        model->registerParameter(SwitchId, 0, 1, 0, QStringLiteral("Switch"));
        model->registerParameter(ModeId, 0, 3, 1, QStringLiteral("Mode"), &modeText);
        model->registerParameter(SingleId, 0, 0, 0, QStringLiteral("Single"));
        model->registerParameter(PortId, 0, 2147483647, 0, QStringLiteral("Port"));
        recorder.ids.clear();
        model->addAssistant(&recorder);

        window = std::make_unique<QWidget>();
        layout = new QVBoxLayout(window.get());
        window->resize(240, 300);
        QVERIFY(showActive(window.get()));
    }

    void cleanup()
    {
        window.reset();
        model->removeAssistant(&recorder);
        model.reset();
    }

    void checkBoxesFollowEachOther()
    {
        auto* first = bound(new CheckBox(QStringLiteral("First")), SwitchId);
        auto* second = bound(new CheckBox(QStringLiteral("Second")), SwitchId);
        QTest::qWait(10);
        recorder.ids.clear();

        clickBox(first);
        QCOMPARE(model->getValue(SwitchId), 1);
        QVERIFY(first->isChecked());
        QVERIFY(second->isChecked());
        QCOMPARE(recorder.count(SwitchId), 1);

        clickBox(second);
        QCOMPARE(model->getValue(SwitchId), 0);
        QVERIFY(!first->isChecked());
        QVERIFY(!second->isChecked());

        // Whoever changes the parameter, the boxes follow; any value other than 0 checks them.
        model->setValue(SwitchId, 5);
        QVERIFY(first->isChecked());
        QVERIFY(second->isChecked());
        // The keyboard toggles like a click.
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Space);
        QCOMPARE(model->getValue(SwitchId), 0);
        QVERIFY(!second->isChecked());
    }

    void unconnectedControlsAreLocal()
    {
        auto* box = add(new CheckBox(QStringLiteral("Local")));
        box->setId(SwitchId);
        QTest::qWait(10);
        clickBox(box);
        QVERIFY(box->isChecked());
        QCOMPARE(model->getValue(SwitchId), 0);
        QCOMPARE(recorder.ids.count(), 0);

        // Disconnected after use: back to local behaviour.
        box->connectModel(model.get());
        QVERIFY(!box->isChecked());
        box->disconnectModel();
        clickBox(box);
        QVERIFY(box->isChecked());
        QCOMPARE(model->getValue(SwitchId), 0);

        // A push button with an id but no store writes nothing either.
        recorder.ids.clear();
        auto* button = add(new PushButton(QStringLiteral("Local")));
        button->setCheckable(true);
        button->setId(SwitchId);
        QTest::qWait(10);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->isChecked());
        QCOMPARE(model->getValue(SwitchId), 0);
        QCOMPARE(recorder.ids.count(), 0);
    }

    void pushButtonWritesCheckedState()
    {
        auto* button = add(new PushButton(QStringLiteral("Hold")));
        auto* twin = add(new PushButton(QStringLiteral("Hold too")));
        for (PushButton* b : {button, twin}) {
            b->setCheckable(true);
            b->setId(SwitchId);
            b->connectModel(model.get());
        }
        QTest::qWait(10);
        recorder.ids.clear();

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(model->getValue(SwitchId), 1);
        QVERIFY(twin->isChecked());
        QTest::mouseClick(twin, Qt::LeftButton);
        QCOMPARE(model->getValue(SwitchId), 0);
        QVERIFY(!button->isChecked());
        QCOMPARE(recorder.count(SwitchId), 2);

        model->setValue(SwitchId, 1);
        QVERIFY(button->isChecked());
        QVERIFY(twin->isChecked());
    }

    void comboBoxFillsWithValueTexts()
    {
        model->setValue(ModeId, 2);
        recorder.ids.clear();
        auto* box = bound(new ComboBox, ModeId);
        QCOMPARE(itemTexts(box), (QStringList{"Off", "Low", "Mid", "High"}));
        QCOMPARE(box->currentIndex(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("Mid"));
        // Only the store's announcement of the new connection: filling wrote nothing back.
        QCOMPARE(recorder.count(ModeId), 1);

        model->setValue(ModeId, 3);
        QCOMPARE(box->currentText(), QStringLiteral("High"));

        // Connecting again does not add the texts twice.
        box->disconnectModel();
        QCOMPARE(box->count(), 4);
        box->connectModel(model.get());
        QCOMPARE(itemTexts(box), (QStringList{"Off", "Low", "Mid", "High"}));
        QCOMPARE(box->currentIndex(), 3);
        // The store does not clamp. The box shows no item, and must not write its "no item" index
        // back over the value.
        model->setValue(ModeId, 9);
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(model->getValue(ModeId), 9);
    }

    void comboBoxSelectionWritesIndex()
    {
        auto* box = bound(new ComboBox, ModeId);
        auto* twin = bound(new ComboBox, ModeId);
        QTest::qWait(10);
        recorder.ids.clear();

        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(model->getValue(ModeId), 2);
        QCOMPARE(twin->currentText(), QStringLiteral("Mid"));
        QTest::keyClick(box, Qt::Key_Up);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(model->getValue(ModeId), 0);
        QCOMPARE(twin->currentIndex(), 0);
        // One write per change; the twin's echo wrote nothing.
        QCOMPARE(recorder.count(ModeId), 3);
    }

    // A parameter with a single value, or with the widest range, gives the box no texts of its own.
    void comboBoxWithWidestRangeIsFilledByView()
    {
        auto* single = bound(new ComboBox, SingleId);
        model->setValue(SingleId, 1);
        QCOMPARE(single->count(), 0);
        QCOMPARE(single->currentIndex(), -1);
        QCOMPARE(model->getValue(SingleId), 1);

        const QStringList ports{QStringLiteral("Not Connected"), QStringLiteral("Device A"),
                                QStringLiteral("Device B")};
        model->setValue(PortId, 1);
        auto* box = bound(new ComboBox, PortId);
        QCOMPARE(box->count(), 0);

        // The owning view lists the ports; from then on the box follows and writes the value.
        box->replaceItems(ports);
        QCOMPARE(model->getValue(PortId), 1);
        QCOMPARE(box->currentIndex(), 1);
        recorder.ids.clear();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(model->getValue(PortId), 2);
        QCOMPARE(recorder.count(PortId), 1);

        // Filling before connecting works as well.
        auto* early = add(new ComboBox);
        early->addItems(ports);
        early->setId(PortId);
        early->connectModel(model.get());
        QCOMPARE(early->count(), 3);
        QCOMPARE(early->currentIndex(), 2);
        QCOMPARE(model->getValue(PortId), 2);
    }

private:
    template <typename T> T* add(T* widget)
    {
        layout->addWidget(widget);
        widget->show();
        return widget;
    }
    // Added to the window and bound to id.
    template <typename T> T* bound(T* widget, qint32 id)
    {
        add(widget)->setId(id);
        widget->connectModel(model.get());
        return widget;
    }

    std::unique_ptr<Model> model;
    std::unique_ptr<QWidget> window;
    QVBoxLayout* layout = nullptr;
    ChangeRecorder recorder;
};

VANTEL_WIDGET_TEST_MAIN(BoundControlsTest)
#include "BoundControlsTest.moc"
