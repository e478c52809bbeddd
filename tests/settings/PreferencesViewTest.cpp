// The preferences view driven with the mouse: every control writes its preference, shows the
// parameter's display name and value texts, and switching the parser off reaches the other
// settings views.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "SettingsViewHost.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "MidiFilterView.h"
#include "MidiSettingsView.h"
#include "PreferencesView.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QLabel>

#include <algorithm>

#include <memory>

class PreferencesViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<PreferencesView> view;

    template <typename Control> Control* boundTo(qint32 id) const
    {
        for (Control* control : view->findChildren<Control*>()) {
            if (control->getId() == id)
                return control;
        }
        return nullptr;
    }

    QStringList labelTexts() const
    {
        QStringList texts;
        for (QLabel* label : view->findChildren<QLabel*>())
            texts.append(label->text());
        return texts;
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        view = std::make_unique<PreferencesView>(nullptr, model.get(), nullptr);
        QVERIFY(showActive(view.get()));
    }

    void cleanup()
    {
        view.reset();
        model.reset();
    }

    void comboBoxes_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("choice");
        QTest::newRow("knob mode") << qint32(ParamKnobMode) << "Knob Mode"
                                   << QStringList{"Circular", "Linear"} << 1;
        QTest::newRow("program number") << qint32(ParamProgramNumberBase) << "Program Number"
                                        << QStringList{"Zero-based", "One-based"} << 0;
        QTest::newRow("time format") << qint32(ParamTimeFormat) << "" << QStringList{"Clock", "Integer"} << 1;
        QTest::newRow("font size") << qint32(ParamMessageFontSize) << "Font Size"
                                   << QStringList{"Normal", "Large"} << 1;
        QTest::newRow("middle C") << qint32(ParamMiddleC) << "Middle C" << QStringList{"C3", "C4", "C5"} << 2;
    }

    void comboBoxes()
    {
        QFETCH(qint32, id);
        QFETCH(QString, label);
        QFETCH(QStringList, items);
        QFETCH(int, choice);
        auto* combo = boundTo<ComboBox>(id);
        QVERIFY(combo != nullptr);
        if (!label.isEmpty())
            QVERIFY(labelTexts().contains(label));
        QCOMPARE(itemTexts(combo), items);
        QCOMPARE(combo->currentIndex(), model->getDefault(id));
        chooseItem(combo, choice);
        QCOMPARE(model->getValue(id), choice);
        model->setValue(id, 0);
        QCOMPARE(combo->currentIndex(), 0);
    }

    void checkBoxes()
    {
        for (const char* text : {"Time", "Color", "Details", "Parser"}) {
            QList<CheckBox*> boxes = view->findChildren<CheckBox*>();
            auto found = std::find_if(boxes.cbegin(), boxes.cend(),
                                      [text](CheckBox* box) { return box->text() == QLatin1String(text); });
            QVERIFY2(found != boxes.cend(), text);
            CheckBox* box = *found;
            const qint32 id = box->getId();
            const qint32 initial = model->getDefault(id);
            QCOMPARE(box->isChecked(), initial != 0);
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
            QCOMPARE(model->getValue(id), 1 - initial);
        }
        QCOMPARE(model->getValue(ParamTimeStamp), 1);
        QCOMPARE(model->getValue(ParamMessageColor), 0);
        QCOMPARE(model->getValue(ParamMessageDetail), 1);
        QCOMPARE(model->getValue(ParamParser), 0);
    }

    void parserReachesTheOtherSettingsViews()
    {
        SettingsViewHost host;
        MidiFilterView filter(nullptr, model.get(), &host);
        MidiSettingsView settings(nullptr, model.get(), &host);
        auto* parser = boundTo<CheckBox>(ParamParser);
        QTest::mouseClick(parser, Qt::LeftButton, Qt::NoModifier, parser->rect().center());
        QVERIFY(!filter.isEnabled());
        QVERIFY(!filter.overlay()->isHidden());
        QVERIFY(!settings.bulkIntervalSpinBox()->isEnabled());
        QTest::mouseClick(parser, Qt::LeftButton, Qt::NoModifier, parser->rect().center());
        QVERIFY(filter.isEnabled());
        QVERIFY(filter.overlay()->isHidden());
        QVERIFY(settings.bulkIntervalSpinBox()->isEnabled());
    }
};

VANTEL_WIDGET_TEST_MAIN(PreferencesViewTest)
#include "PreferencesViewTest.moc"
