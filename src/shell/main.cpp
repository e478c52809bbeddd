#include "CommandLineOptions.h"
#include "HostMidiService.h"
#include "MainWindow.h"
#include "NativeEventFilter.h"
#include "ProjectCommands.h"
#include "SettingsFile.h"
#include "VantelMidiModel.h"
#include "VantelMidiStyle.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    // The images live in a static library, whose resources are not registered on their own.
    Q_INIT_RESOURCE(images);
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);

    int exitCode = 0;
    {
        // Declaration order is the build order; leaving the scope destroys the main window, the
        // input hook, the model and the application, in that order.
        QApplication application(argc, argv);
        // The MIDI system is chosen before anything can open a port; one named on the command line
        // that is not there ends the program before a window appears.
        const CommandLineOptions options = CommandLineOptions::parse(QCoreApplication::arguments());
        QString midiError = options.error();
        if (!midiError.isEmpty() || !HostMidiService::setUp(options.midiApi(), &midiError)) {
            std::fprintf(stderr, "vantel-midi: %s\n", qUtf8Printable(midiError));
            Q_CLEANUP_RESOURCE(images);
            return 2;
        }
        QApplication::setStyle(new VantelMidiStyle);
        VantelMidiModel model;
        NativeEventFilter inputHook;
        application.installEventFilter(&inputHook);
        auto window = std::make_unique<MainWindow>(&model);
        MainWindow::setEventLoopMainWindow(window.get());

        if (options.hasProjectFile()) {
            window->setStartedWithFile(true);
            window->show();
            window->projects()->openStartupProject(options.projectFile());
        } else {
            window->show();
            if (!SettingsFile::hasSavedWindowPositions())
                window->resizeToDefault();
        }

        exitCode = application.exec();
        MainWindow::setEventLoopMainWindow(nullptr);
        Q_CLEANUP_RESOURCE(images);
        window.reset();
    }
    // Every port is closed with the window; the service goes last.
    HostMidiService::shutDown();
    return exitCode;
}
