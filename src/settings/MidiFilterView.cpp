#include "MidiFilterView.h"

#include "CheckBox.h"
#include "MidiControlChangeFilterView.h"
#include "MidiSystemCommonFilterView.h"
#include "MidiSystemRealtimeFilterView.h"
#include "PushButton.h"
#include "UnstyledCheckBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewKind.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace {

constexpr int ViewWidth = 650;
constexpr int ViewHeight = 268;

QPushButton* makeButton(QWidget* parent, const QString& text, const QString& accessibleName,
                        const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setAccessibleName(accessibleName);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

MidiFilterView::MidiFilterView(QWidget* parent, VantelMidiModel* aModel, ViewHost* host)
    : QFrame(parent), CommonViewHelper(aModel), model(aModel)
{
    Q_UNUSED(host)
    Q_ASSERT(model != nullptr);
    viewKind = ViewKind::Filter;
    setFixedSize(ViewWidth, ViewHeight);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    buildChannelGroup();
    buildMessageGroup();

    stack = new QStackedWidget(this);
    stack->setGeometry(350, 10, 330, 245);
    controlChange = new MidiControlChangeFilterView;
    systemCommon = new MidiSystemCommonFilterView;
    systemRealtime = new MidiSystemRealtimeFilterView;
    stack->insertWidget(ControlChangePage, controlChange);
    stack->insertWidget(SystemCommonPage, systemCommon);
    stack->insertWidget(SystemRealtimePage, systemRealtime);

    connectControls(this);
    model->setModified(1);
    model->addAssistant(this);

    buildOverlay();
    followParser();
}

MidiFilterView::~MidiFilterView()
{
    model->removeAssistant(this);
}

void MidiFilterView::buildChannelGroup()
{
    auto* group = new QGroupBox(tr("Channel"), this);
    group->setGeometry(10, 10, 120, 245);
    group->setMinimumSize(120, 245);
    for (int channel = 1; channel <= 16; ++channel) {
        auto* button = new PushButton(QString::number(channel), group);
        const int row = (channel - 1) % 8;
        button->setGeometry(channel <= 8 ? 15 : 65, 20 + 24 * row, 40, 20);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setId(paramFilterChannel(channel));
        channels.append(button);
    }
    QPushButton* all = makeButton(group, tr("All"), tr("Set all channels"), QRect(8, 214, 50, 20));
    QPushButton* clear = makeButton(group, tr("Clear"), tr("Clear all channels"), QRect(62, 214, 50, 20));
    connect(all, &QPushButton::released, this, &MidiFilterView::releasedAllButton);
    connect(clear, &QPushButton::released, this, &MidiFilterView::releasedNoneButton);
}

void MidiFilterView::buildMessageGroup()
{
    auto* group = new QGroupBox(tr("Message"), this);
    group->setGeometry(150, 10, 180, 245);
    group->setMinimumSize(180, 245);
    const QString texts[] = {tr("Note Off"),       tr("Note On"),          tr("Key Pressure"),
                             tr("Control Change"), tr("Program Change"),   tr("Channel Pressure"),
                             tr("Pitch Bend"),     tr("System Exclusive"), tr("System Common"),
                             tr("System Realtime")};
    // The headings draw no indicator; the style must outlive them, so the view owns it.
    auto* headingStyle = new UnstyledCheckBox;
    headingStyle->setParent(this);
    int row = 0;
    for (const QString& text : texts) {
        auto* box = new CheckBox(text, group);
        const qint32 id = ParamFilterNoteOff + row;
        const bool heading = id == ParamFilterControlChange || id == ParamFilterSystemCommon ||
                             id == ParamFilterSystemRealtime;
        // Headings leave the ">" buttons at x 146 free; the other rows may use the whole width, which
        // wider desktop fonts need.
        box->setGeometry(10, 20 + 22 * row, heading ? 136 : 165, 20);
        box->setId(id);
        if (heading) {
            box->setStyle(headingStyle);
            box->setFocusPolicy(Qt::NoFocus);
        } else {
            box->setFocusPolicy(Qt::StrongFocus);
        }
        messages.append(box);
        ++row;
    }
    const QString show = tr("Show the filter settings view of %1");
    QPushButton* controlChangeButton =
        makeButton(group, tr(">"), show.arg(tr("Control Change")), QRect(146, 85, 28, 20));
    QPushButton* systemCommonButton =
        makeButton(group, tr(">"), show.arg(tr("System Common")), QRect(146, 195, 28, 20));
    QPushButton* systemRealtimeButton =
        makeButton(group, tr(">"), show.arg(tr("System Realtime")), QRect(146, 217, 28, 20));
    connect(controlChangeButton, &QPushButton::released, this, &MidiFilterView::releasedControlChangeButton);
    connect(systemCommonButton, &QPushButton::released, this, &MidiFilterView::releasedSystemCommonButton);
    connect(systemRealtimeButton, &QPushButton::released, this,
            &MidiFilterView::releasedSystemRealtimeButton);
}

void MidiFilterView::buildOverlay()
{
    notice = new QWidget(this);
    notice->setGeometry(0, 0, ViewWidth, ViewHeight);
    notice->setAutoFillBackground(true);
    QPalette palette = notice->palette();
    // For every colour group: the notice is shown exactly while the view is disabled.
    palette.setColor(QPalette::Window, QColor(0, 0, 0, 200));
    palette.setColor(QPalette::WindowText, Qt::white);
    notice->setPalette(palette);
    noticeLabel = new QLabel(
        tr("%1 function is currently disabled.\nTurn On File > Preferences > Parser.").arg(tr("Filter")),
        notice);
    noticeLabel->setGeometry(0, 0, ViewWidth, ViewHeight);
    noticeLabel->setAlignment(Qt::AlignCenter);
    notice->hide();
}

QString MidiFilterView::overlayText() const
{
    return noticeLabel->text();
}

void MidiFilterView::followParser()
{
    const bool parser = model->getValue(ParamParser) > 0;
    setEnabled(parser);
    if (parser) {
        notice->hide();
    } else {
        notice->raise();
        notice->show();
    }
}

bool MidiFilterView::readFromStream(QDataStream& stream)
{
    Q_UNUSED(stream)
    return true;
}

bool MidiFilterView::writeToStream(QDataStream& stream)
{
    Q_UNUSED(stream)
    return true;
}

void MidiFilterView::parameterChanged(qint32 id)
{
    if (id == ParamParser)
        followParser();
}

void MidiFilterView::releasedControlChangeButton()
{
    stack->setCurrentIndex(ControlChangePage);
}

void MidiFilterView::releasedSystemCommonButton()
{
    stack->setCurrentIndex(SystemCommonPage);
}

void MidiFilterView::releasedSystemRealtimeButton()
{
    stack->setCurrentIndex(SystemRealtimePage);
}

void MidiFilterView::releasedAllButton()
{
    writeChannels(1);
}

void MidiFilterView::releasedNoneButton()
{
    writeChannels(0);
}

void MidiFilterView::writeChannels(qint32 value)
{
    // Through each button's binding, so the analyzer's filter and the buttons follow.
    for (PushButton* button : qAsConst(channels))
        button->setValue(value);
}

void MidiFilterView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    if (notice->isHidden())
        channels.first()->setFocus();
}

void MidiFilterView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    QFrame::closeEvent(event);
}
