#pragma once

#include "Model.h"
#include "VantelMidiParameters.h"

#include <QPointer>
#include <QString>
#include <QVector>

class KnobModeTarget;
class QObject;

// The one parameter store of the running application, filled with the application's parameter
// set. It also keeps every dial in step with the "Knob Mode" preference and manages the
// project-modified flag (parameter 3), whose marking can be suspended while the program itself
// changes parameters (construction, settings and project loading). GUI thread only.
class VantelMidiModel : public Model, public VantelMidiParameters
{
public:
    VantelMidiModel();
    ~VantelMidiModel() override;

    void notify(qint32 id) override;
    qint32 connect(ModelConnectionIF* connection) override;
    qint32 disconnect(ModelConnectionIF* connection) override;

    // dial must also be a QObject; the model holds it weakly, so a destroyed dial is simply
    // skipped. Sets the dial's knob mode to the current preference every time it is called.
    void addDial(KnobModeTarget* dial);
    void removeDial(KnobModeTarget* dial);

    bool isModified() const;
    // Ignored while marking is locked.
    void setModified(qint32 value);
    // Each lock is paired with one unlock on the same path; an unlock without a lock is ignored.
    void lockModified();
    void unlockModified();
    bool isModifiedLocked() const { return modifiedLockCount > 0; }

    // Null for an unnamed project.
    QString projectFilePath() const { return filePath; }
    void setProjectFilePath(const QString& path) { filePath = path; }

private:
    struct DialEntry
    {
        QPointer<QObject> object;
        KnobModeTarget* target = nullptr;
    };

    QVector<DialEntry> dials;
    quint32 modifiedLockCount = 0;
    QString filePath;
};
