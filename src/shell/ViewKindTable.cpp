#include "ViewKindTable.h"

#include "AboutView.h"
#include "EULAView.h"
#include "LicenseInfoView.h"
#include "MainWindow.h"
#include "MidiActivesensingView.h"
#include "MidiControlChangeView.h"
#include "MidiControllerNames.h"
#include "MidiCustomMidiMessageView.h"
#include "MidiEditView.h"
#include "MidiFilterView.h"
#include "MidiKeyboardView.h"
#include "MidiPCKeyboardView.h"
#include "MidiPitchbendView.h"
#include "MidiProgramChangeView.h"
#include "MidiSettingsView.h"
#include "MidiTimingClockGeneratorView.h"
#include "MidiTransportPanelView.h"
#include "PreferencesView.h"

#include <QRegularExpression>

namespace {

QWidget* editView(const ViewArguments& a)
{
    return new MidiEditView(nullptr, a.model, a.editKind, a.initialText, a.host);
}

template <typename View> QWidget* plainView(const ViewArguments& a)
{
    return new View(nullptr, a.model, a.host);
}

// The controller number comes first in the extra values; a missing or impossible one (a damaged
// file) opens nothing rather than a view for some other controller.
QWidget* controlChangeView(const ViewArguments& a)
{
    if (a.extraValues.isEmpty())
        return nullptr;
    bool ok = false;
    const qlonglong controller = a.extraValues.first().toLongLong(&ok);
    if (!ok || controller < 0 || controller >= MidiControllerNames::Count)
        return nullptr;
    return new MidiControlChangeView(nullptr, a.model, a.host, qint32(controller));
}

// The About and licence windows need nothing of the program.
template <typename View> QWidget* standaloneView(const ViewArguments&)
{
    return new View(nullptr);
}

QWidget* midiSettingsView(const ViewArguments& a)
{
    auto* view = new MidiSettingsView(nullptr, a.model, a.host);
    // The port menus list the devices anew each time they open; the view follows.
    if (auto* window = qobject_cast<MainWindow*>(a.window)) {
        QObject::connect(window, &MainWindow::notifyInputPortListUpdated, view,
                         &MidiSettingsView::portListUpdated);
        QObject::connect(window, &MainWindow::notifyOutputPortListUpdated, view,
                         &MidiSettingsView::portListUpdated);
    }
    return view;
}

constexpr const char* editObjectName = "MidiEditViewSubWindow";

QList<ViewKindRow> buildRows()
{
    using K = ViewKind::Kind;
    using T = ViewKindTable;
    using S = ViewSizeRule;
    const QSize none;
    // clang-format off
    return {
        {K::MidiInMonitor, "MIDI &In Monitor", "Ctrl+I", 0, editObjectName, T::SlotMidiInMonitor, -1,
         S::EditContent, {338, 274}, none, false, editView},
        {K::MidiOutMonitor, "MIDI O&ut Monitor", "Ctrl+U", 1, editObjectName, T::SlotMidiOutMonitor, -1,
         S::EditContent, {338, 274}, none, false, editView},
        {K::Keyboard, "&Keyboard", "Ctrl+K", 2, "KeyboardSubWindow", -1, T::ListKeyboard,
         S::FixedHeight, {25 * 75 + 18, 0}, {350, 0}, true, plainView<MidiKeyboardView>},
        {K::ControlChange, "&Control Change", nullptr, 3, "ControlChangeViewSubWindow", -1, T::ListControlChange,
         S::Resize, {225, 250}, none, false, controlChangeView},
        {K::ProgramChange, "&Program Change", "Ctrl+P", 4, nullptr, -1, T::ListProgramChange,
         S::FixedWidth, {210, 0}, none, true, plainView<MidiProgramChangeView>},
        {K::PitchBend, "Pitch &Bend", "Ctrl+B", 5, "PitchbendViewSubWindow", -1, T::ListPitchBend,
         S::Resize, {220, 274}, none, false, plainView<MidiPitchbendView>},
        {K::SystemExclusive, "&System Exclusive", "Ctrl+E", 6, editObjectName, -1, T::ListSystemExclusive,
         S::EditContent, {338, 274}, none, false, editView},
        {K::TimingClock, "&Timing Clock", "Ctrl+T", 7, "TimingClockViewSubWindow", T::SlotTimingClock, -1,
         S::Resize, {220, 250}, none, false, plainView<MidiTimingClockGeneratorView>},
        {K::StartStop, "Sta&rt/Stop", "Ctrl+1", 8, "TransportPanelViewSubWindow", T::SlotStartStop, -1,
         S::FixedWidth, {338, 0}, none, true, plainView<MidiTransportPanelView>},
        {K::ActiveSensing, "&Active Sensing", "Ctrl+J", 9, "ActivesenseViewSubWindow", T::SlotActiveSensing, -1,
         S::Resize, {220, 250}, none, false, plainView<MidiActivesensingView>},
        {K::CustomMidiMessage, "Cust&om MIDI Message", "Ctrl+2", 10, "CustomMIDIMessageViewSubWindow", -1,
         T::ListCustomMidiMessage, S::Resize, {338, 274}, none, false, plainView<MidiCustomMidiMessageView>},
        {K::Filter, "&Filter", "Ctrl+L", 11, nullptr, T::SlotFilter, -1,
         S::FixedAsBuilt, none, none, true, plainView<MidiFilterView>},
        {K::MidiSettings, "&MIDI Settings", "Ctrl+M", 12, "MIDISettingsViewSubWindow", T::SlotMidiSettings, -1,
         S::Bounded, {503, 233}, {271, 170}, true, midiSettingsView},
        {K::PCKeyboard, "PC Keyboar&d", "Ctrl+D", 13, nullptr, T::SlotPCKeyboard, -1,
         S::FixedSize, {210, 220}, none, true, plainView<MidiPCKeyboardView>},
        {K::Preferences, "&Preferences...", "Ctrl+,", -1, nullptr, T::SlotPreferences, -1,
         S::FixedAsBuilt, none, none, true, plainView<PreferencesView>},
        {K::About, "&About", nullptr, -1, nullptr, T::SlotAbout, -1,
         S::CentredBanner, none, none, true, standaloneView<AboutView>},
        {K::OpenSourceLicense, "&Open Source License", nullptr, -1, nullptr, T::SlotOpenSourceLicense, -1,
         S::CentredText, none, none, false, standaloneView<LicenseInfoView>},
        {K::SoftwareLicense, "&Software User License Agreement", nullptr, -1, nullptr, T::SlotSoftwareLicense, -1,
         S::CentredText, none, none, false, standaloneView<EULAView>},
    };
    // clang-format on
}

} // namespace

const QList<ViewKindRow>& ViewKindTable::rows()
{
    static const QList<ViewKindRow> table = buildRows();
    return table;
}

const ViewKindRow* ViewKindTable::row(qint32 kind)
{
    for (const ViewKindRow& r : rows())
        if (r.kind == kind)
            return &r;
    return nullptr;
}

const ViewKindRow* ViewKindTable::rowForMenuData(quint32 data)
{
    for (const ViewKindRow& r : rows())
        if (r.menuData >= 0 && quint32(r.menuData) == data)
            return &r;
    return nullptr;
}

int ViewKindTable::listLimit(int list)
{
    return list == ListKeyboard || list == ListProgramChange || list == ListPitchBend ? 16 : 32;
}

QString ViewKindTable::title(const QString& menuText)
{
    QString title = menuText;
    title.remove(QRegularExpression(QStringLiteral("\\&|\\.\\.\\.")));
    return title;
}

bool ViewKindTable::mayMaximize(const QString& objectName)
{
    if (objectName.isEmpty())
        return false;
    for (const ViewKindRow& r : rows())
        if (r.objectName && objectName == QLatin1String(r.objectName))
            // Views that can be resized freely; a keyboard or a transport panel is as tall as its
            // controls.
            return r.sizeRule == ViewSizeRule::EditContent || r.sizeRule == ViewSizeRule::Resize ||
                   r.sizeRule == ViewSizeRule::Bounded;
    return false;
}
