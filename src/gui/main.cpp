// ostinel: the desktop program.

#include <QApplication>
#include <QScreen>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <string>

#include "app/engine.h"
#include "gui/desktop_settings.h"
#include "gui/desktop_style.h"
#include "gui/desktop_ui.h"
#include "gui/main_window.h"
#include "gui/score_view_place.h"
#include "gui/single_instance.h"
#include "gui/stop_signals.h"
#include "gui/window_placement.h"
#include "platform/real/file_settings_store.h"
#include "platform/real/real_midi_system.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"
#include "strings/version.h"

namespace {

constexpr const char* kUsage =
    "Usage: ostinel [options] [FILE.mid]\n"
    "\n"
    "Ostinel plays a MIDI file as an accompaniment that follows a live soloist.\n"
    "\n"
    "Options:\n"
    "  --scale PERCENT  draw the window at 100, 150 or 200 percent\n"
    "  --help           show this text and end\n"
    "  --version        show the version and end\n"
    "\n"
    "A running Ostinel opens a file that a second start names, unless it is playing.\n";

struct Arguments {
    QString commandLine;  // what remains: the file to open
    double scale = 1.0;
    bool help = false;
    bool version = false;
    bool bad = false;
    QString badScale;  // a --scale the window cannot be drawn at
};

// Read before Qt starts, so that --help and --version need no display.
Arguments ReadArguments(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    Arguments read;
    QStringList rest;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            read.help = true;
        } else if (arg == QLatin1String("--version")) {
            read.version = true;
        } else if (arg == QLatin1String("--scale") && i + 1 < args.size()) {
            const int percent = args[++i].toInt();
            if (percent == 100 || percent == 150 || percent == 200)
                read.scale = percent / 100.0;
            else
                read.badScale = args[i];
        } else {
            rest << arg;
        }
    }
    read.commandLine = rest.join(QChar(' '));
    return read;
}

}  // namespace

int main(int argc, char* argv[]) {
    const Arguments args = ReadArguments(argc, argv);
    if (!args.badScale.isNull()) {
        std::fprintf(stderr,
                     "ostinel: the window cannot be drawn at --scale %s: choose 100, 150 or 200\n",
                     args.badScale.toLocal8Bit().constData());
        return 2;
    }
    if (args.help || args.bad) {
        std::fputs(kUsage, args.bad ? stderr : stdout);
        return args.bad ? 2 : 0;
    }
    if (args.version) {
        std::printf("ostinel %s\n", std::string(ostinel::ProgramVersion()).c_str());
        return 0;
    }
    QApplication app(argc, argv);
    ostinel::gui::ApplyDesktopStyle(app);
    QApplication::setApplicationName(QStringLiteral("Ostinel"));
    const std::string_view version = ostinel::ProgramVersion();
    QApplication::setApplicationVersion(
        QString::fromUtf8(version.data(), qsizetype(version.size())));
    QApplication::setDesktopFileName(QStringLiteral("ostinel"));

    using namespace ostinel;
    gui::SingleInstance instance(gui::SingleInstance::NameForUser());
    if (instance.HandToRunningCopy(args.commandLine)) return 0;
    instance.Listen();

    platform::SteadyClock clock;
    platform::TimerThread timers(clock);
    platform::RealMidiSystem midi(clock);
    platform::FileSettingsStore store(platform::FileSettingsStore::DefaultPath());
    gui::MessageBoxPresenter presenter;
    gui::DesktopUi ui(presenter);
    int exitCode = 0;
    {
        Engine engine(clock, timers, midi, ui);
        engine.UseSettingsStore(store);
        gui::MainWindow window(engine, ui);
        gui::DesktopSettings settings(engine, window);
        window.Area().SetDesignScale(args.scale);
        QObject::connect(&instance, &gui::SingleInstance::commandLineReceived, &window,
                         &gui::MainWindow::HandOverCommandLine);
        gui::CloseOnStopSignals(&window);
        QObject::connect(&window, &gui::MainWindow::closing, &window, [&] {
            settings.StoreAtShutdown();
            gui::WriteWindowPlacement(store, gui::PlacementOf(window));
            gui::WriteScoreViewPlace(store, window.Score().Place());
        });

        if (const auto place = gui::ReadScoreViewPlace(store)) window.Score().SetPlace(*place);
        gui::ShowAsPlaced(window, store, QGuiApplication::primaryScreen()->availableGeometry());

        // The settings the program was left with, its ports opened by them.
        const std::optional<std::string> lastPiece =
            settings.StartUp(args.commandLine.trimmed().isEmpty());
        // Said once, in plain words, without stopping the program.
        QStringList missing;
        for (const std::string& what : midi.MissingServices())
            missing << QString::fromStdString(what);
        if (!missing.isEmpty()) {
            std::fprintf(stderr, "%s\n", missing.join(QChar('\n')).toUtf8().constData());
            window.ShowLastingWarning(missing.join(QStringLiteral("  ")));
        }

        if (window.OpenFirstPiece(args.commandLine, lastPiece.value_or(std::string())))
            exitCode = QApplication::exec();
        window.Area().RemoveTitlePicture();
    }
    return exitCode;
}
