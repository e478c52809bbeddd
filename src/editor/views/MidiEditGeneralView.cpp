#include "MidiEditGeneralView.h"

#include "MidiEditTextView.h"
#include "MidiEditTransmittionThread.h"
#include "MidiEditView.h"
#include "MonitorTextView.h"
#include "ReferenceWidget.h"
#include "RepeatSettingsView.h"
#include "SysExFile.h"
#include "TextHighlighter.h"
#include "ToolButton.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const char* const TextFilter = QT_TRANSLATE_NOOP("MidiEditGeneralView", "Text Files (*.txt)");
const char* const RawFilter = QT_TRANSLATE_NOOP("MidiEditGeneralView", "System Exclusive Files (*.syx)");

QString withoutMnemonics(QString label)
{
    return label.remove(QLatin1Char('&')).remove(QStringLiteral("..."));
}

} // namespace

MidiEditGeneralView::MidiEditGeneralView(MidiEditView* anOwner, VantelMidiModel* aModel, qint32 viewType)
    : QWidget(anOwner), owner(anOwner), model(aModel), type(viewType)
{
    const bool monitor = viewType == MidiEditView::InMonitor || viewType == MidiEditView::OutMonitor;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    if (monitor) {
        maximumLines = MonitorLineLimit;
        monitorArea = new MonitorTextView(this, model, maximumLines);
        QPalette palette = monitorArea->palette();
        palette.setColor(QPalette::Base, QColor(40, 27, 67));
        palette.setColor(QPalette::Window, QColor(40, 27, 67));
        palette.setColor(QPalette::Text, Qt::white);
        monitorArea->setPalette(palette);
        monitorArea->setAcceptDrops(false);
        monitorArea->viewport()->setAcceptDrops(false);
        monitorArea->setAccessibleName(viewType == MidiEditView::InMonitor ? tr("MIDI In Monitor View")
                                                                           : tr("MIDI Out Monitor View"));
        textHighlighter = new TextHighlighter(nullptr, model, TextHighlighter::MonitorParserOnRules,
                                              TextHighlighter::MonitorParserOnCount,
                                              TextHighlighter::ColoursOnRequest, this);
        monitorArea->setHighlighter(textHighlighter);
        useParserRules();
        layout->addWidget(monitorArea);
        model->addAssistant(this);
        return;
    }

    textArea = new MidiEditTextView(this, model, false);
    textArea->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textArea->setWordWrapMode(QTextOption::WrapAnywhere);
    textArea->setMouseTracking(true);
    textArea->viewport()->setMouseTracking(true);
    textArea->setAccessibleName(tr("System Exclusive View"));
    textHighlighter = new TextHighlighter(textArea->document(), model, TextHighlighter::EditorRules,
                                          TextHighlighter::EditorCount);

    tools = new QToolBar(this);
    tools->setAutoFillBackground(true);
    tools->setFixedHeight(36);
    tools->setIconSize(QSize(32, 32));
    struct Command
    {
        const char* label;
        const char* image;
        void (MidiEditGeneralView::*slot)();
    };
    const Command commands[] = {
        {QT_TR_NOOP("&New"), ":/images/file.png", &MidiEditGeneralView::newMenuSelected},
        {QT_TR_NOOP("&Open..."), ":/images/open.png", &MidiEditGeneralView::openMenuSelected},
        {QT_TR_NOOP("&Save..."), ":/images/disk.png", &MidiEditGeneralView::saveMenuSelected},
        {nullptr, nullptr, nullptr},
        {QT_TR_NOOP("&Transmit"), ":/images/tx.png", &MidiEditGeneralView::transmitMenuSelected},
        {QT_TR_NOOP("&Receive"), ":/images/rx.png", &MidiEditGeneralView::receiveMenuSelected},
        {QT_TR_NOOP("&Transmit and Receive"), ":/images/txrx.png",
         &MidiEditGeneralView::transmitAndReceiveMenuSelected},
        {nullptr, nullptr, nullptr},
        {QT_TR_NOOP("&Find..."), ":/images/find.png", &MidiEditGeneralView::searchMenuSelected},
    };
    for (const Command& command : commands) {
        if (command.label == nullptr) {
            tools->addSeparator();
            continue;
        }
        auto* button = new ToolButton(tools);
        button->setFixedSize(32, 32);
        button->setFocusPolicy(Qt::NoFocus);
        QPixmap image(QString::fromLatin1(command.image));
        image.setDevicePixelRatio(2.0);
        button->setImage(image);
        button->setToolTip(withoutMnemonics(tr(command.label)));
        button->setProperty("menuLabel", tr(command.label));
        connect(button, &QToolButton::clicked, this, command.slot);
        tools->addWidget(button);
        if (command.slot == &MidiEditGeneralView::transmitMenuSelected)
            transmitTool = button;
        else if (command.slot == &MidiEditGeneralView::transmitAndReceiveMenuSelected)
            transmitAndReceiveTool = button;
    }
    transmitTool->installEventFilter(this);
    transmitAndReceiveTool->installEventFilter(this);

    repeatSettingsView = new RepeatSettingsView(this);
    repeatSettingsView->setFixedHeight(40);
    repeatSettingsView->hide();
    repeatSettingsView->setTextArea(textArea);

    referenceWidget = new ReferenceWidget(this);
    referenceWidget->setFixedHeight(40);
    referenceWidget->hide();
    referenceWidget->attach(textArea);

    layout->addWidget(tools);
    layout->addWidget(repeatSettingsView);
    layout->addWidget(textArea);
    layout->addWidget(referenceWidget);

    tools->setEnabled(model->getValue(ParamTransmissionState) != 1);
    model->addAssistant(this);
}

MidiEditGeneralView::~MidiEditGeneralView()
{
    model->removeAssistant(this);
}

void MidiEditGeneralView::useParserRules()
{
    if (model->getValue(ParamParser) < 1)
        textHighlighter->setPendingRules(TextHighlighter::MonitorParserOffRules,
                                         TextHighlighter::MonitorParserOffCount);
    else
        textHighlighter->setPendingRules(TextHighlighter::MonitorParserOnRules,
                                         TextHighlighter::MonitorParserOnCount);
    if (monitorArea->isEmpty())
        textHighlighter->applyPendingRules();
}

void MidiEditGeneralView::parameterChanged(qint32 id)
{
    if (id == ParamTransmissionState && tools != nullptr)
        tools->setEnabled(model->getValue(ParamTransmissionState) != 1);
    else if (id == ParamParser && maximumLines != 0)
        useParserRules();
}

bool MidiEditGeneralView::isBusy() const
{
    return model->getValue(ParamTransmissionState) != 0;
}

void MidiEditGeneralView::copyRepeatSettings(const QString& text)
{
    // Nothing will be sent, so nothing would clear the flag again, and every editor would go on
    // refusing received text.
    if (repeatSettingsView == nullptr || text.isEmpty())
        return;
    model->setValue(ParamRepeatTransmission, repeatSettingsView->isRepeatChecked() ? 1 : 0);
    interval = repeatSettingsView->intervalValue();
}

void MidiEditGeneralView::openReceivingView()
{
    if (ViewHost* host = owner->viewHost())
        host->openEditView(MidiEditView::SystemExclusiveReceive, QSize(), QString());
}

void MidiEditGeneralView::transmitMidi(QString message)
{
    if (isBusy())
        return;
    owner->transmit(message);
}

void MidiEditGeneralView::transmitMenuSelected()
{
    if (isBusy())
        return;
    const QString text = textArea->textToTransmit();
    copyRepeatSettings(text);
    owner->transmit(text);
}

void MidiEditGeneralView::receiveMenuSelected()
{
    if (isBusy())
        return;
    if (!textArea->document()->isEmpty())
        openReceivingView();
    else
        owner->setReceiveMode(true);
}

void MidiEditGeneralView::transmitAndReceiveMenuSelected()
{
    if (isBusy())
        return;
    // Taken before the new view takes the focus and the selection would no longer show.
    const QString text = textArea->textToTransmit();
    openReceivingView();
    copyRepeatSettings(text);
    owner->transmit(text);
}

void MidiEditGeneralView::transmitRowMessageAndChangeReceiveMode(QString message)
{
    if (isBusy())
        return;
    openReceivingView();
    copyRepeatSettings(message);
    owner->transmit(message);
}

void MidiEditGeneralView::newMenuSelected()
{
    if (ViewHost* host = owner->viewHost())
        host->openEditView(MidiEditView::SystemExclusive, owner->size(), QString());
}

QString MidiEditGeneralView::startFolder() const
{
    QString folder = model->getString(ParamDumpFileWorkingDirectory);
    if (!QFileInfo(folder).isDir())
        folder = model->getDefaultString(ParamDumpFileWorkingDirectory);
    return folder;
}

void MidiEditGeneralView::openMenuSelected()
{
    if (ViewHost* host = owner->viewHost())
        host->releaseKeyboardKeys();
    const QString path = QFileDialog::getOpenFileName(this, tr("Open"), startFolder() + QLatin1Char('/'),
                                                      tr("Text and System Exclusive Files (*.txt *.syx)") +
                                                          QStringLiteral(";;") + tr(TextFilter) +
                                                          QStringLiteral(";;") + tr(RawFilter));
    if (path.isEmpty())
        return;
    placeFileText(path);
}

void MidiEditGeneralView::placeFileText(const QString& path)
{
    model->setString(ParamDumpFileWorkingDirectory, QFileInfo(path).absolutePath());
    // Only whether the file opens is asked here; a large file is read in the background.
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (ViewHost* host = owner->viewHost())
                host->showErrorDetail(tr("File open failed."), QDir::toNativeSeparators(path) +
                                                                   QStringLiteral(": ") + file.errorString());
            return;
        }
    }
    if (textArea->document()->isEmpty() && !owner->isLoading()) {
        owner->loadFile(path);
        return;
    }
    ViewHost* host = owner->viewHost();
    QMdiSubWindow* window = host != nullptr
                                ? host->openEditView(MidiEditView::SystemExclusive, owner->size(), QString())
                                : nullptr;
    if (auto* view = window != nullptr ? qobject_cast<MidiEditView*>(window->widget()) : nullptr)
        view->loadFile(path);
}

void MidiEditGeneralView::saveMenuSelected()
{
    if (ViewHost* host = owner->viewHost())
        host->releaseKeyboardKeys();
    QFileDialog dialog(this, tr("Save"), startFolder() + QLatin1Char('/'),
                       tr(TextFilter) + QStringLiteral(";;") + tr(RawFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name without an extension gets that of the chosen filter (before the dialog asks about
    // replacing a file), or the Open dialog, which shows only these files, would hide it.
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter == tr(RawFilter) ? QStringLiteral("syx") : QStringLiteral("txt"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    if (path.isEmpty())
        return;
    model->setString(ParamDumpFileWorkingDirectory, QFileInfo(path).absolutePath());

    QString detail;
    const QString failure = SysExFile::writeText(path, textArea->toPlainText(), &detail);
    if (!failure.isEmpty()) {
        if (ViewHost* host = owner->viewHost())
            host->showErrorDetail(failure, detail);
    }
}

void MidiEditGeneralView::searchMenuSelected()
{
    if (referenceWidget != nullptr)
        referenceWidget->show();
}

void MidiEditGeneralView::settingsMenuSelected()
{
    if (repeatSettingsView != nullptr)
        repeatSettingsView->show();
}

QString MidiEditGeneralView::transmitToolTip(const QString& menuLabel) const
{
    QString tip = withoutMnemonics(menuLabel);
    const qint32 count = textArea->byteCount();
    if (count < 0)
        return tip;
    const QString transmit = tr("Transmit");
    return tip.replace(transmit, transmit + QStringLiteral(" (") + QString::number(count) +
                                     (count == 1 ? tr(" Byte") : tr(" Bytes")) + QStringLiteral(")"));
}

bool MidiEditGeneralView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && (watched == transmitTool || watched == transmitAndReceiveTool)) {
        auto* button = static_cast<QWidget*>(watched);
        button->setToolTip(transmitToolTip(button->property("menuLabel").toString()));
    }
    return QWidget::eventFilter(watched, event);
}
