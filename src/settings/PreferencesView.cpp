#include "PreferencesView.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QGroupBox>
#include <QLabel>

namespace {

void addLabel(QWidget* parent, ModelIF* model, qint32 id, const QRect& geometry)
{
    auto* label = new QLabel(model->getName(id), parent);
    label->setGeometry(geometry);
}

ComboBox* addComboBox(QWidget* parent, qint32 id, const QRect& geometry)
{
    auto* combo = new ComboBox(parent);
    combo->setGeometry(geometry);
    combo->setFocusPolicy(Qt::StrongFocus);
    combo->setId(id);
    return combo;
}

void addCheckBox(QWidget* parent, ModelIF* model, qint32 id, const QRect& geometry)
{
    auto* box = new CheckBox(model->getName(id), parent);
    box->setGeometry(geometry);
    box->setFocusPolicy(Qt::StrongFocus);
    box->setId(id);
}

} // namespace

PreferencesView::PreferencesView(QWidget* parent, VantelMidiModel* aModel, ViewHost* host)
    : QFrame(parent), CommonViewHelper(aModel), model(aModel)
{
    Q_UNUSED(host)
    Q_ASSERT(model != nullptr);
    setFixedSize(245, 280);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    auto* ui = new QGroupBox(tr("UI"), this);
    ui->setGeometry(5, 5, 234, 90);
    addLabel(ui, model, ParamKnobMode, QRect(10, 22, 110, 21));
    knobMode = addComboBox(ui, ParamKnobMode, QRect(125, 22, 105, 21));
    addLabel(ui, model, ParamProgramNumberBase, QRect(10, 52, 110, 21));
    addComboBox(ui, ParamProgramNumberBase, QRect(125, 52, 105, 21));

    auto* message = new QGroupBox(tr("Message"), this);
    message->setGeometry(5, 100, 234, 170);
    addCheckBox(message, model, ParamTimeStamp, QRect(10, 21, 100, 20));
    addComboBox(message, ParamTimeFormat, QRect(125, 21, 105, 21));
    addCheckBox(message, model, ParamMessageColor, QRect(10, 51, 100, 20));
    addCheckBox(message, model, ParamMessageDetail, QRect(125, 51, 100, 20));
    addCheckBox(message, model, ParamParser, QRect(10, 81, 100, 20));
    addLabel(message, model, ParamMessageFontSize, QRect(10, 111, 100, 21));
    addComboBox(message, ParamMessageFontSize, QRect(125, 111, 105, 21));
    addLabel(message, model, ParamMiddleC, QRect(10, 141, 100, 21));
    addComboBox(message, ParamMiddleC, QRect(125, 141, 105, 21));

    connectControls(this);
}

PreferencesView::~PreferencesView() = default;
