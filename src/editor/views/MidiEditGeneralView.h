#pragma once

#include "ModelAssistant.h"

#include <QString>
#include <QWidget>

class MidiEditTextView;
class MidiEditView;
class MonitorTextView;
class QToolBar;
class ReferenceWidget;
class RepeatSettingsView;
class TextHighlighter;
class ToolButton;
class VantelMidiModel;

// The normal page of a monitor or system-exclusive view: for an editor the toolbar with its
// commands, the repeat settings bar and the find bar around the text area; for a monitor only the
// text area.
class MidiEditGeneralView : public QWidget, public ModelAssistant
{
    Q_OBJECT

public:
    static constexpr int MonitorLineLimit = 4096;

    MidiEditGeneralView(MidiEditView* owner, VantelMidiModel* model, qint32 viewType);
    ~MidiEditGeneralView() override;

    // The editor's text area (null in a monitor) and the monitor's (null in an editor).
    MidiEditTextView* textView() const { return textArea; }
    MonitorTextView* monitorView() const { return monitorArea; }
    TextHighlighter* highlighter() const { return textHighlighter; }
    QToolBar* toolBar() const { return tools; }
    ReferenceWidget* findBar() const { return referenceWidget; }
    RepeatSettingsView* repeatSettings() const { return repeatSettingsView; }
    ToolButton* transmitButton() const { return transmitTool; }
    ToolButton* transmitAndReceiveButton() const { return transmitAndReceiveTool; }
    qint32 repeatInterval() const { return interval; }

    // Reads a text or .syx file and places its text: into this view when it is empty, else into a new
    // system-exclusive view. The file's folder becomes the starting folder of the file dialogs.
    // A file that cannot be read gives an empty text.
    void placeFileText(const QString& path);
    // The tooltip of a transmit button with the byte count of what it would send.
    QString transmitToolTip(const QString& menuLabel) const;

    void parameterChanged(qint32 id) override;

public Q_SLOTS:
    void transmitMidi(QString message);
    void transmitMenuSelected();
    void receiveMenuSelected();
    void transmitAndReceiveMenuSelected();
    void newMenuSelected();
    void openMenuSelected();
    void saveMenuSelected();
    void searchMenuSelected();
    void settingsMenuSelected();
    void transmitRowMessageAndChangeReceiveMode(QString message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isBusy() const;
    void copyRepeatSettings(const QString& text);
    void openReceivingView();
    void useParserRules();
    QString startFolder() const;

    MidiEditView* owner;
    MidiEditTextView* textArea = nullptr;
    MonitorTextView* monitorArea = nullptr;
    int maximumLines = 0;
    VantelMidiModel* model;
    QToolBar* tools = nullptr;
    TextHighlighter* textHighlighter = nullptr;
    ReferenceWidget* referenceWidget = nullptr;
    RepeatSettingsView* repeatSettingsView = nullptr;
    qint32 interval = 1000;
    qint32 type;
    ToolButton* transmitTool = nullptr;
    ToolButton* transmitAndReceiveTool = nullptr;
};
