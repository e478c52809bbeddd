// The preferences view driven with the mouse: every control writes its preference, shows the
// parameter's display name and value texts. (What the parser switch does to the other settings views
// is their tests'.)

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "SettingsViewHost.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "PreferencesView.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QLabel>

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

    // The boxes are filled from their parameters' value texts: one box shows the texts, every box
    // writes its preference.
    void comboBoxes()
    {
        QVERIFY(labelTexts().contains(QStringLiteral("Middle C")));
        QCOMPARE(itemTexts(boundTo<ComboBox>(ParamMiddleC)), (QStringList{"C3", "C4", "C5"}));
        for (qint32 id :
             {ParamKnobMode, ParamProgramNumberBase, ParamTimeFormat, ParamMessageFontSize, ParamMiddleC}) {
            auto* combo = boundTo<ComboBox>(id);
            QVERIFY(combo != nullptr);
            QCOMPARE(combo->currentIndex(), model->getDefault(id));
            const int choice = (model->getDefault(id) + 1) % combo->count();
            chooseItem(combo, choice);
            QCOMPARE(model->getValue(id), choice);
        }
    }

    void checkBoxes()
    {
        const struct
        {
            qint32 id;
            const char* text;
        } boxes[] = {{ParamTimeStamp, "Time"},
                     {ParamMessageColor, "Color"},
                     {ParamMessageDetail, "Details"},
                     {ParamParser, "Parser"}};
        for (const auto& b : boxes) {
            auto* box = boundTo<CheckBox>(b.id);
            QVERIFY2(box != nullptr && box->text() == QLatin1String(b.text), b.text);
            const qint32 initial = model->getDefault(b.id);
            QCOMPARE(box->isChecked(), initial != 0);
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
            QCOMPARE(model->getValue(b.id), 1 - initial);
        }
    }
};

VANTEL_WIDGET_TEST_MAIN(PreferencesViewTest)
#include "PreferencesViewTest.moc"
