// ostinel-cli: the headless front end of the engine.

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/convert_command.h"
#include "cli/devices_command.h"
#include "cli/exit_codes.h"
#include "cli/follow_run.h"
#include "cli/info_command.h"
#include "cli/play_command.h"
#include "cli/render_command.h"
#include "cli/settings_command.h"
#include "platform/real/real_midi_system.h"
#include "platform/real/steady_clock.h"
#include "strings/version.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: ostinel-cli COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  info [--json] PIECE      what the piece holds: tracks, tempo map, meters, key, length;\n"
    "                           --json prints every event for programs\n"
    "  convert SCORE.musicxml -o OUT.mid\n"
    "                           writes a MusicXML score (.musicxml, .xml, .mxl) as a MIDI\n"
    "                           file: repeats unfolded, one track per part and staff\n"
    "  devices                  the MIDI devices that ports can use\n"
    "  play PIECE [PLAYING]     plays the piece in real time until its end or Ctrl-C;\n"
    "                           --port B=N sends port B to output device N (see devices)\n"
    "  render PIECE -o OUT [PLAYING] [--no-wav]\n"
    "                           plays the piece on a virtual clock as fast as it goes:\n"
    "                           OUT.mid holds what each port received (one track per port\n"
    "                           and channel), OUT.wav that played by the built-in synth\n"
    "  follow PIECE --track N [--track2 M] --soloist PERF.mid [FOLLOWING]\n"
    "                           follows a recorded performance on a virtual clock; prints\n"
    "                           how closely the accompaniment kept with the soloist\n"
    "  evaluate [--method matching|probability] [--skip N] [--plot DIR] CASE_DIR...\n"
    "                           follows each evaluation case and prints one TSV row per case;\n"
    "                           --skip N makes the soloist jump N beats (negative: back) 40 %\n"
    "                           of the way through, --plot DIR writes one SVG per case\n"
    "  settings show [PIECE]    the system settings and saved sets, or the piece's stored sets\n"
    "  settings export FILE     writes every system settings set as text (key = value lines)\n"
    "  settings import FILE     replaces the system settings sets by those of FILE; a bad\n"
    "                           line is named and nothing is changed\n"
    "  piece-settings PIECE list | remove N\n"
    "                           the piece's saved sets; remove N (1-4) moves later sets down\n"
    "\n"
    "PIECE is a Standard MIDI File (.mid) or a MusicXML score (.musicxml, .xml or the\n"
    "compressed .mxl); a score's measures are numbered as printed, a pickup mostly 0.\n"
    "\n"
    "FOLLOWING options:\n"
    "  --input N                follow a live keyboard on MIDI input device N, in real time\n"
    "  --realtime               play the --soloist performance to the devices in real time\n"
    "  --soloist-track K        only track chunk K of the performance\n"
    "  --taps                   the performance taps the beats (any note) instead of playing\n"
    "  --timing 0-4, --volume 0-3   how closely timing and loudness are followed\n"
    "  --method matching|probability  how the place is found: matching notes in a window,\n"
    "                           or a probability over the score's chords (the default)\n"
    "  --jumping off|beats|anywhere, --no-auto-start, --stop-automatically yes|no,\n"
    "  --wait-for-solo yes|no, --tap-source space|mouse|any-note|note:N|any-controller|\n"
    "  controller:N             (with --input --taps)\n"
    "  --wait-for-soloist MS[,MS...], --restore-tempo MS[,...], --rehearsal MS[,...],\n"
    "  --ignore START-END       special markers, in score milliseconds\n"
    "  -o OUT.mid | -o OUT.wav  the soloist and the accompaniment as sent (repeatable)\n"
    "  --report FILE.tsv|.json  every soloist note: matched position, follower position, tempo\n"
    "  --save-performance OUT.mid  the piece with the take and the tempos the soloist played\n"
    "  --play-performance       then play the take again from where following started\n"
    "  --play-mode punch-in|sound-on-sound|overwrite|following-track-only\n"
    "  --tempo-before file|average, --tempo-during file|performed,\n"
    "  --tempo-after file|average|last, --play-tapped-notes yes|no\n"
    "                           how the take is saved and played again\n"
    "  --truth TRUTH.tsv        the true score times of the performance, for the figures\n"
    "  --score-view OUT.png     the Score view over the last 10 seconds of the follow\n"
    "  --score-view-scale 100|150|200  its size (default 100 %)\n"
    "\n"
    "PLAYING options:\n"
    "  --start M[:B]            start at measure M, beat B (default: the beginning)\n"
    "  --tempo PERCENT          master tempo, 1-200 % of the piece's own (default 100)\n"
    "  --transpose N            master transpose in half-steps, -127 to 127\n"
    "  --volume PERCENT         master volume, 0-200 % (default 100)\n"
    "  --mute N                 mute track N (numbered as info shows them); repeatable\n"
    "  --loop M:B-M:B           loop mode between two beats (play stops at the loop end)\n"
    "  --restart-after S        (play) restart the loop after S seconds, 0-10, until Ctrl-C\n"
    "  --metronome              a click on every beat (channel 10 of port A)\n"
    "  --soundfont FILE.sf2     the built-in synth's SoundFont (default: the system's)\n"
    "\n"
    "Options:\n"
    "  -h, --help               show this text\n"
    "  -V, --version            show the version\n"
    "\n"
    "Exit codes: 0 success, 2 usage error, 3 an output file could not be written, 4 nothing\n"
    "can be heard (play), 5 a settings file has a bad line or a set to remove is empty,\n"
    "10 + the load result when a file cannot be read (11 out of memory, 12 the file ended\n"
    "early, 13 wrong format, 14 a read failed, 15 not found, 16 no MIDI data except system\n"
    "messages; for scores 17 not XML, 18 not MusicXML, 19 timewise, 20 a damaged .mxl, 21 no\n"
    "root file in the .mxl, 22 a measure that does not add up, 23 a note without duration,\n"
    "24 too large).\n";

int Usage(std::FILE* to, int code) {
    std::fputs(kUsage.data(), to);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) return Usage(stderr, ostinel::cli::kExitUsage);
    const std::string_view command = args.front();
    if (command == "-h" || command == "--help") return Usage(stdout, ostinel::cli::kExitSuccess);
    if (command == "-V" || command == "--version") {
        std::printf("ostinel-cli %s\n", std::string(ostinel::ProgramVersion()).c_str());
        return ostinel::cli::kExitSuccess;
    }
    args.erase(args.begin());
    if (command == "info") {
        std::string out;
        std::string err;
        const int code = ostinel::cli::RunInfoCommand(args, out, err);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fwrite(err.data(), 1, err.size(), stderr);
        return code;
    }
    if (command == "convert") {
        std::string out;
        std::string err;
        const int code = ostinel::cli::RunConvertCommand(args, out, err);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fwrite(err.data(), 1, err.size(), stderr);
        return code;
    }
    // `follow --help` and `evaluate --help` show the options they take.
    if ((command == "follow" || command == "evaluate") &&
        std::find_if(args.begin(), args.end(), [](std::string_view arg) {
            return arg == "-h" || arg == "--help";
        }) != args.end()) {
        return Usage(stdout, ostinel::cli::kExitSuccess);
    }
    if (command == "follow" && ostinel::cli::IsLiveFollow(args))
        return ostinel::cli::RunLiveFollowCommand(args, stdout, stderr);
    if (command == "follow" || command == "evaluate") {
        std::string out;
        std::string err;
        const int code = command == "follow" ? ostinel::cli::RunFollowCommand(args, out, err)
                                             : ostinel::cli::RunEvaluateCommand(args, out, err);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fwrite(err.data(), 1, err.size(), stderr);
        return code;
    }
    if (command == "play") return ostinel::cli::RunPlayCommand(args, stdout, stderr);
    if (command == "render") {
        std::string out;
        std::string err;
        const int code = ostinel::cli::RunRenderCommand(args, out, err);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fwrite(err.data(), 1, err.size(), stderr);
        return code;
    }
    if (command == "settings" || command == "piece-settings") {
        std::string out;
        std::string err;
        const int code = command == "settings"
                             ? ostinel::cli::RunSettingsCommand(args, out, err)
                             : ostinel::cli::RunPieceSettingsCommand(args, out, err);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fwrite(err.data(), 1, err.size(), stderr);
        return code;
    }
    if (command == "devices") {
        ostinel::platform::SteadyClock clock;
        ostinel::platform::RealMidiSystem midi(clock);
        std::string out;
        const int code = ostinel::cli::RunDevicesCommand(midi, out);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return code;
    }
    std::fprintf(stderr, "ostinel-cli: unknown command '%.*s'\n\n",
                 static_cast<int>(command.size()), command.data());
    return Usage(stderr, ostinel::cli::kExitUsage);
}
