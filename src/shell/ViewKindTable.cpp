#include "ViewKindTable.h"

#include "AboutView.h"
#include "EULAView.h"
#include "LicenseInfoView.h"
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
#include "PortMenus.h"
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
    if (a.portMenus) {
        QObject::connect(a.portMenus, &PortMenus::inputListUpdated, view, &MidiSettingsView::portListUpdated);
        QObject::connect(a.portMenus, &PortMenus::outputListUpdated, view,
                         &MidiSettingsView::portListUpdated);
    }
    return view;
}

QStringList controllerNames()
{
    QStringList names;
    for (int controller = 0; controller < MidiControllerNames::Count; ++controller)
        names << MidiControllerNames::name(controller);
    return names;
}

constexpr const char* editObjectName = "MidiEditViewSubWindow";

std::deque<ViewKindRow> builtInRows()
{
    using K = ViewKind::Kind;
    using S = ViewSizeRule;
    using M = ViewMenu;
    std::deque<ViewKindRow> rows;
    const auto add = [&rows](ViewKindRow row) -> ViewKindRow& {
        rows.push_back(std::move(row));
        return rows.back();
    };
    // The monitors need room among the system-exclusive editors too: they are the same kind of view.
    // clang-format off
    add({K::MidiInMonitor, "MIDI &In Monitor", editView})
        .inMenu(M::Views, "Ctrl+I").named(editObjectName).limit(1, K::SystemExclusive)
        .editing(EditKind::InMonitor).saved().sized(S::EditContent, {338, 274});
    add({K::MidiOutMonitor, "MIDI O&ut Monitor", editView})
        .inMenu(M::Views, "Ctrl+U").named(editObjectName).limit(1, K::SystemExclusive)
        .editing(EditKind::OutMonitor).saved().sized(S::EditContent, {338, 274});
    add({K::Keyboard, "&Keyboard", plainView<MidiKeyboardView>})
        .inMenu(M::Views, "Ctrl+K").named("KeyboardSubWindow").limit(16).saved()
        .sized(S::FixedHeight, {25 * 75 + 18, 0}, {350, 0}).fixed();
    add({K::ControlChange, "&Control Change", controlChangeView})
        .inMenu(M::Views).withSubmenu(controllerNames).named("ControlChangeViewSubWindow").limit(32)
        .saved().sized(S::Resize, {225, 250});
    add({K::ProgramChange, "&Program Change", plainView<MidiProgramChangeView>})
        .inMenu(M::Views, "Ctrl+P").limit(16).saved().sized(S::FixedWidth, {210, 0}).fixed();
    add({K::PitchBend, "Pitch &Bend", plainView<MidiPitchbendView>})
        .inMenu(M::Views, "Ctrl+B").named("PitchbendViewSubWindow").limit(16).saved()
        .sized(S::Resize, {220, 274});
    add({K::SystemExclusive, "&System Exclusive", editView})
        .inMenu(M::Views, "Ctrl+E").named(editObjectName).limit(32)
        .editing(EditKind::SystemExclusive).saved().sized(S::EditContent, {338, 274});
    add({K::TimingClock, "&Timing Clock", plainView<MidiTimingClockGeneratorView>})
        .inMenu(M::Views, "Ctrl+T").named("TimingClockViewSubWindow").saved().sized(S::Resize, {220, 250});
    add({K::StartStop, "Sta&rt/Stop", plainView<MidiTransportPanelView>})
        .inMenu(M::Views, "Ctrl+1").named("TransportPanelViewSubWindow").saved()
        .sized(S::FixedWidth, {338, 0}).fixed();
    add({K::ActiveSensing, "&Active Sensing", plainView<MidiActivesensingView>})
        .inMenu(M::Views, "Ctrl+J").named("ActivesenseViewSubWindow").saved().sized(S::Resize, {220, 250});
    add({K::CustomMidiMessage, "Cust&om MIDI Message", plainView<MidiCustomMidiMessageView>})
        .inMenu(M::Views, "Ctrl+2").named("CustomMIDIMessageViewSubWindow").limit(32).saved()
        .sized(S::Resize, {338, 274});
    add({K::Filter, "&Filter", plainView<MidiFilterView>})
        .inMenu(M::Views, "Ctrl+L").afterSeparator().saved().sized(S::FixedAsBuilt).fixed();
    add({K::MidiSettings, "&MIDI Settings", midiSettingsView})
        .inMenu(M::Views, "Ctrl+M").named("MIDISettingsViewSubWindow").saved()
        .sized(S::Bounded, {503, 233}, {271, 170}).fixed();
    add({K::PCKeyboard, "PC Keyboar&d", plainView<MidiPCKeyboardView>})
        .inMenu(M::Views, "Ctrl+D").saved().sized(S::FixedSize, {210, 220}).fixed();
    // Never saved.
    add({K::Preferences, "&Preferences...", plainView<PreferencesView>})
        .inMenu(M::File, "Ctrl+,").afterSeparator().sized(S::FixedAsBuilt).fixed();
    add({K::About, "&About", standaloneView<AboutView>}).inMenu(M::Help).sized(S::CentredBanner).fixed();
    add({K::OpenSourceLicense, "&Open Source License", standaloneView<LicenseInfoView>})
        .inMenu(M::Help).sized(S::CentredText);
    add({K::SoftwareLicense, "&Software User License Agreement", standaloneView<EULAView>})
        .inMenu(M::Help).sized(S::CentredText);
    // clang-format on
    return rows;
}

} // namespace

QString ViewKindRow::title() const
{
    QString title = QString::fromUtf8(menuText);
    title.remove(QRegularExpression(QStringLiteral("\\&|\\.\\.\\.")));
    return title;
}

bool ViewKindRow::mayMaximize() const
{
    return sizeRule == ViewSizeRule::EditContent || sizeRule == ViewSizeRule::Resize ||
           sizeRule == ViewSizeRule::Bounded;
}

std::deque<ViewKindRow>& ViewKindTable::table()
{
    static std::deque<ViewKindRow> rows = builtInRows();
    return rows;
}

const std::deque<ViewKindRow>& ViewKindTable::rows()
{
    return table();
}

bool ViewKindTable::add(const ViewKindRow& newRow)
{
    if (row(newRow.kind))
        return false;
    table().push_back(newRow);
    return true;
}

const ViewKindRow* ViewKindTable::row(qint32 kind)
{
    for (const ViewKindRow& r : rows())
        if (r.kind == kind)
            return &r;
    return nullptr;
}

const ViewKindRow* ViewKindTable::rowForEditKind(qint32 editKind)
{
    // An editor opened to collect received data is a system-exclusive editor.
    const qint32 role =
        editKind == EditKind::SystemExclusiveReceive ? qint32(EditKind::SystemExclusive) : editKind;
    for (const ViewKindRow& r : rows())
        if (role >= 0 && r.editKind == role)
            return &r;
    return nullptr;
}

bool ViewKindTable::mayMaximize(const QString& objectName)
{
    if (objectName.isEmpty())
        return false;
    for (const ViewKindRow& r : rows())
        if (r.objectName && objectName == QLatin1String(r.objectName))
            return r.mayMaximize();
    return false;
}
