#include "MonitorFilterText.h"

#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QRegularExpression>
#include <QVector>

namespace {

struct Name
{
    const char* text;
    qint32 first;
    qint32 last;
};

// Kinds and groups by name. "cc" alone is not here: controllers are hidden by number, as in the
// filter view, whose Control Change box stands for its numbers.
const Name names[] = {
    {"noteoff", ParamFilterNoteOff, ParamFilterNoteOff},
    {"noteon", ParamFilterNoteOn, ParamFilterNoteOn},
    {"note", ParamFilterNoteOff, ParamFilterNoteOn},
    {"keypressure", ParamFilterKeyPressure, ParamFilterKeyPressure},
    {"pc", ParamFilterProgramChange, ParamFilterProgramChange},
    {"chpressure", ParamFilterChannelPressure, ParamFilterChannelPressure},
    {"pitchbend", ParamFilterPitchBend, ParamFilterPitchBend},
    {"sysex", ParamFilterSystemExclusive, ParamFilterSystemExclusive},
    {"timecode", ParamFilterTimeCode, ParamFilterTimeCode},
    {"songpos", ParamFilterSongPosition, ParamFilterSongPosition},
    {"songsel", ParamFilterSongSelect, ParamFilterSongSelect},
    {"tune", ParamFilterTuneRequest, ParamFilterTuneRequest},
    {"common", ParamFilterTimeCode, ParamFilterTuneRequest},
    {"clock", ParamFilterTimingClock, ParamFilterTimingClock},
    {"start", ParamFilterStart, ParamFilterStart},
    {"continue", ParamFilterContinue, ParamFilterContinue},
    {"stop", ParamFilterStop, ParamFilterStop},
    {"sense", ParamFilterActiveSensing, ParamFilterActiveSensing},
    {"reset", ParamFilterSystemReset, ParamFilterSystemReset},
    {"realtime", ParamFilterTimingClock, ParamFilterSystemReset},
};

} // namespace

bool MonitorFilterText::apply(const QString& spec, Model* model, QString* error)
{
    static const QRegularExpression numbered(QStringLiteral("^(ch|cc)(\\d+)(?:-(\\d+))?$"));
    QVector<qint32> hidden;
    for (const QString& raw : spec.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString item = raw.trimmed().toLower();
        bool known = false;
        for (const Name& name : names) {
            if (item == QLatin1String(name.text)) {
                for (qint32 id = name.first; id <= name.last; ++id)
                    hidden.append(id);
                known = true;
            }
        }
        const QRegularExpressionMatch match = numbered.match(item);
        if (!known && match.hasMatch()) {
            const bool channel = match.captured(1) == QLatin1String("ch");
            const int first = match.captured(2).toInt();
            const int last = match.captured(3).isEmpty() ? first : match.captured(3).toInt();
            const int lowest = channel ? 1 : 0;
            const int highest = channel ? 16 : 127;
            if (first >= lowest && last <= highest && first <= last) {
                for (int n = first; n <= last; ++n)
                    hidden.append(channel ? ParamFilterChannel + n - 1 : ParamFilterControlChangeNumber + n);
                known = true;
            }
        }
        if (!known) {
            *error = QStringLiteral("unknown filter item \"%1\" (see monitor --help)").arg(raw.trimmed());
            return false;
        }
    }
    for (const qint32 id : hidden)
        model->setValue(id, 1);
    return true;
}

QString MonitorFilterText::help()
{
    return QStringLiteral("Filter: a comma-separated list of what to hide, as in the filter view:\n"
                          "  ch1..ch16, ch3-5        channels (channel messages only)\n"
                          "  cc0..cc127, cc64-69     control change numbers\n"
                          "  noteoff noteon note keypressure pc chpressure pitchbend sysex\n"
                          "  timecode songpos songsel tune common\n"
                          "  clock start continue stop sense reset realtime\n"
                          "  e.g. --filter clock,sense,ch10");
}
