#pragma once

#include "CommonViewHelper.h"
#include "FileStream.h"
#include "ModelAssistant.h"
#include "WindowRestorationInfo.h"

#include <QFrame>
#include <QList>

class CheckBox;
class MidiControlChangeFilterView;
class MidiSystemCommonFilterView;
class MidiSystemRealtimeFilterView;
class PushButton;
class QLabel;
class QPushButton;
class QStackedWidget;
class VantelMidiModel;
class ViewHost;

// Chooses what the MIDI In monitor and the received log leave out: channels, message types,
// controller numbers and single system messages. Every control is bound to a filter parameter (a
// checked control filters its messages out); the analyzer follows the parameters, so the view has
// no filtering of its own. The filter works on parsed messages only: while the parser preference
// is off the view is disabled and covered by a notice that says so.
//
// The three group headings of the message list ("Control Change", "System Common", "System
// Realtime") are bound to parameters that the filter does not read; the pages behind the ">"
// buttons hold the boxes that do.
//
// The filter lives in the parameters (saved with the settings), so the view's project block is
// empty.
class MidiFilterView : public QFrame,
                       public CommonViewHelper,
                       public WindowRestorationInfo,
                       public FileStream,
                       public ModelAssistant
{
    Q_OBJECT

public:
    enum Page : int
    {
        ControlChangePage = 0,
        SystemCommonPage = 1,
        SystemRealtimePage = 2
    };

    // model: not owned, must outlive the view. The view needs nothing of its host.
    MidiFilterView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiFilterView() override;

    const QList<PushButton*>& channelButtons() const { return channels; }
    const QList<CheckBox*>& messageCheckBoxes() const { return messages; }
    QStackedWidget* detailPages() const { return stack; }
    MidiControlChangeFilterView* controlChangePage() const { return controlChange; }
    MidiSystemCommonFilterView* systemCommonPage() const { return systemCommon; }
    MidiSystemRealtimeFilterView* systemRealtimePage() const { return systemRealtime; }
    // The notice shown while the parser is off.
    QWidget* overlay() const { return notice; }
    QString overlayText() const;

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    void parameterChanged(qint32 id) override;

public Q_SLOTS:
    void releasedControlChangeButton();
    void releasedSystemCommonButton();
    void releasedSystemRealtimeButton();
    void releasedAllButton();
    void releasedNoneButton();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildChannelGroup();
    void buildMessageGroup();
    void buildOverlay();
    void followParser();
    void writeChannels(qint32 value);

    QList<PushButton*> channels;
    QList<CheckBox*> messages;
    QStackedWidget* stack = nullptr;
    VantelMidiModel* model;
    QWidget* notice = nullptr;
    QLabel* noticeLabel = nullptr;
    MidiControlChangeFilterView* controlChange = nullptr;
    MidiSystemCommonFilterView* systemCommon = nullptr;
    MidiSystemRealtimeFilterView* systemRealtime = nullptr;
};
