// ostinel-screenshots: renders the main window with a piece, stopped and
// playing, at 100, 150 and 200 %, and every dialog over it, into PNG files,
// on the manual clock so that every run shows the same moment.

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

#include "app/command_ids.h"
#include "app/engine.h"
#include "cli/performance_file.h"
#include "dialogs/dialog_launcher.h"
#include "dialogs/ignore_soloist_range_dialog.h"
#include "dialogs/save_settings_dialog.h"
#include "gui/desktop_style.h"
#include "gui/desktop_ui.h"
#include "gui/help_window.h"
#include "gui/main_window.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"

namespace {

using namespace ostinel;

// Messages go to the terminal: nobody is there to press OK.
class PrintingPresenter final : public gui::MessagePresenter {
  public:
    void Show(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    }
    bool Confirm(QWidget*, const QString&, const QString&) override { return false; }
};

constexpr int kClientWidth = 700;
constexpr int kClientHeight = 430;
constexpr std::uint32_t kPlayedMs = 9300;
// How far into the demo performance the Score view is drawn while following:
// just past the bar the soloist skips, so the jump shows beside a wrong note.
constexpr std::uint32_t kFollowedMs = 26000;

// The Score view by itself, shown only for the picture so that the main
// window's pictures stay as they were.
bool SaveScoreView(gui::MainWindow& window, const QString& folder, const char* state, int percent) {
    views::ScoreView& score = window.Score();
    views::ScoreViewPlace place = score.Place();
    place.shown = true;
    score.SetPlace(place);
    score.repaint();
    const QString path =
        QStringLiteral("%1/score-%2-%3.png").arg(folder, QString::fromLatin1(state)).arg(percent);
    const bool saved = score.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toUtf8().constData());
    place.shown = false;
    score.SetPlace(place);
    return saved;
}

// Follows the demo's recorded performance (the soloist's part, with its
// wrong, extra and missing notes and a skipped bar) for a while, and draws
// the Score view with what was played over it.
bool FollowDemoPerformance(Engine& engine, gui::MainWindow& window, platform::ManualClock& clock,
                           platform::ManualTimerService& timers, platform::ManualMidiSystem& midi,
                           const QString& piece, const QString& folder, int percent) {
    std::vector<cli::PlayedMessage> played;
    std::string error;
    const QString performance =
        QString(piece).replace(QStringLiteral(".mid"), QStringLiteral("-performance.mid"));
    if (!cli::ReadPerformanceFile(performance.toStdString(), 0, played, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    Transport& transport = engine.GetTransport();
    transport.Stop();
    LoopSettings loop = transport.Loop();
    loop.on = false;
    transport.SetLoopSettings(loop);
    transport.JumpTo(ScorePosition{0});
    FollowingOptions following = engine.Following();
    following.followTrack1 = 0;
    following.startAutomatically = false;
    engine.SetFollowingOptions(following);
    engine.Ports().SetInputDevice(0, 0);
    engine.OpenInputPorts();
    const platform::ClockMs start = clock.Now();
    bool pressed = false;
    for (const cli::PlayedMessage& message : played) {
        if (message.timeMs > kFollowedMs) break;
        const platform::ClockMs due = start + static_cast<std::int32_t>(message.timeMs);
        while (platform::ClockDifference(due, clock.Now()) > 0) {
            const platform::ClockMs step = clock.Now() + 10;
            timers.AdvanceTo(platform::ClockDifference(step, due) < 0 ? step : due);
            engine.IdlePass();
        }
        if (!pressed && (message.word & 0xF0) == 0x90) {
            window.DispatchCommand(command::kPlayAndFollow);
            pressed = true;
        }
        const std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(message.word),
                                              static_cast<std::uint8_t>(message.word >> 8),
                                              static_cast<std::uint8_t>(message.word >> 16)};
        midi.Input(0).Inject(bytes, clock.Now());
        engine.IdlePass();
        QApplication::processEvents();
    }
    window.RefreshMenus();
    return SaveScoreView(window, folder, "following", percent);
}

// A dialog's title as a file name: "MIDI & Sync Setup" -> "midi-sync-setup".
QString FileNameOf(const QString& title) {
    QString name;
    for (const QChar c : title.toLower()) {
        if (c.isLetterOrNumber()) {
            name += c;
        } else if (!name.isEmpty() && !name.endsWith(QChar('-'))) {
            name += QChar('-');
        }
    }
    while (name.endsWith(QChar('-')))
        name.chop(1);
    return name;
}

bool SaveDialog(dialogs::SettingsDialog& dialog, const QString& folder) {
    dialog.show();
    QApplication::processEvents();
    const QString path =
        QStringLiteral("%1/dialog-%2.png").arg(folder, FileNameOf(dialog.windowTitle()));
    const bool saved = dialog.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toUtf8().constData());
    dialog.reject();
    return saved;
}

// Every dialog a menu command opens, as it first shows on the open piece.
bool RenderDialogs(gui::MainWindow& window, const QString& folder) {
    dialogs::DialogContext& context = window.Dialogs();
    context.zoomAnimation = false;
    constexpr int kLastCommand = 1000;
    for (int command = 0; command <= kLastCommand; ++command) {
        const auto dialog = dialogs::MakeDialogForCommand(command, context);
        if (dialog != nullptr && !SaveDialog(*dialog, folder)) return false;
    }
    // The two that other dialogs open.
    dialogs::SaveSettingsDialog naming(context);
    dialogs::IgnoreSoloistRangeDialog range(context, {{3, 1}, {5, 1}});
    return SaveDialog(naming, folder) && SaveDialog(range, folder);
}

// The help window on its contents and on one dialog's page.
bool RenderHelp(const QString& folder) {
    gui::HelpWindow help(nullptr);
    help.show();
    const auto save = [&](const char* name) {
        QApplication::processEvents();
        const QString path =
            QStringLiteral("%1/help-%2.png").arg(folder, QString::fromLatin1(name));
        const bool saved = help.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toUtf8().constData());
        return saved;
    };
    constexpr int kFollowingTopic = 2;
    return help.ShowContents() && save("contents") && help.ShowTopic(kFollowingTopic) &&
           save("following");
}

bool Render(const QString& piece, const QString& folder, int percent) {
    platform::ManualClock clock;
    platform::ManualTimerService timers(clock);
    platform::ManualMidiSystem midi(clock, {"Keyboard"}, {"Ostinel Synth"});
    PrintingPresenter presenter;
    gui::DesktopUi ui(presenter);
    Engine engine(clock, timers, midi, ui);
    engine.OpenOutputPorts();
    gui::MainWindow window(engine, ui);
    const double scale = percent / 100.0;
    window.Area().SetDesignScale(scale);
    window.resize(int(kClientWidth * scale), int(kClientHeight * scale) + 30);
    window.show();
    QApplication::processEvents();
    if (window.OpenFile(piece.toStdString()) != LoadResult::Loaded) {
        std::fprintf(stderr, "cannot open %s\n", piece.toUtf8().constData());
        return false;
    }
    QApplication::processEvents();
    const auto save = [&](const char* state) {
        QApplication::processEvents();
        const QString path =
            QStringLiteral("%1/%2-%3.png").arg(folder, QString::fromLatin1(state)).arg(percent);
        const bool saved = window.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toUtf8().constData());
        return saved;
    };
    if (!save("title")) return false;
    window.Area().RemoveTitlePicture();
    if (!save("stopped")) return false;
    if (!SaveScoreView(window, folder, "stopped", percent)) return false;
    if (percent == 100 && !RenderDialogs(window, folder)) return false;

    Transport& transport = engine.GetTransport();
    // Playing: the file plays with loop mode and the metronome lit.
    transport.ToggleMetronome();
    LoopSettings loop = transport.Loop();
    loop.on = true;
    loop.begin = ScorePosition{0};
    loop.end = ScorePosition{transport.End().Ms() / 2};
    transport.SetLoopSettings(loop);
    transport.PlayFile();
    for (std::uint32_t ms = 0; ms < kPlayedMs; ms += 10) {
        timers.Advance(10);
        engine.IdlePass();
    }
    window.RefreshMenus();
    window.Area().PositionChanged();
    if (!save("playing") || !SaveScoreView(window, folder, "playing", percent)) return false;
    return FollowDemoPerformance(engine, window, clock, timers, midi, piece, folder, percent);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ostinel::gui::ApplyDesktopStyle(app);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "Usage: ostinel-screenshots PIECE.mid FOLDER\n");
        return 2;
    }
    QDir().mkpath(args[2]);
    // The program's icon as the desktop shows it.
    const QString icon = args[2] + QStringLiteral("/icon-128.png");
    if (QIcon(QStringLiteral(":/ostinel.svg")).pixmap(128, 128).save(icon))
        std::printf("wrote %s\n", icon.toUtf8().constData());
    for (const int percent : {100, 150, 200})
        if (!Render(args[1], args[2], percent)) return 1;
    return RenderHelp(args[2]) ? 0 : 1;
}
