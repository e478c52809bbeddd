#pragma once

#include "ModelAssistant.h"

#include <QGroupBox>

class Model;

// The "MIDI Port" group of the MIDI settings view. Behind its controls it draws the thru routing
// of both inputs as lines from the input column to the output column (blue for Port1's input,
// brown for Port2's), with a gray arrowhead in the middle of each row, and repaints whenever a
// routing parameter changes.
class MIDISettingsGroupBox : public QGroupBox, public ModelAssistant
{
    Q_OBJECT

public:
    // Anchor points of the lines, in the box's coordinates.
    static constexpr QPoint Port1Input{240, 60};
    static constexpr QPoint Port2Input{240, 95};
    static constexpr QPoint Port1Output{275, 60};
    static constexpr QPoint Port2Output{275, 95};

    // model: not owned, must outlive the box.
    MIDISettingsGroupBox(const QString& title, Model* model, QWidget* parent = nullptr);
    ~MIDISettingsGroupBox() override;

    qint32 port1Routing() const { return routing1; }
    qint32 port2Routing() const { return routing2; }

    void parameterChanged(qint32 id) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Model* model;
    qint32 routing1 = 0;
    qint32 routing2 = 0;
};
