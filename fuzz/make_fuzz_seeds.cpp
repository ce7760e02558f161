// Writes a few small valid inputs as a fuzzer's starting corpus:
//   make_fuzz_seeds FOLDER [FUZZER]
// MIDI files, one per reader feature (the default); for fuzz_piece_settings
// files that carry stored piece settings; for fuzz_settings_store the
// records of a settings store.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "settings/piece_settings_file.h"
#include "settings/settings_persistence.h"
#include "smf_builder.h"
#include "stored_settings_framing.h"

namespace {

using ostinel::smf::FileBuilder;

FileBuilder FormatZero() {
    FileBuilder file(0, 96);
    file.AddTrack()
        .Tempo(0, 500000)
        .TimeSignature(0, 6, 3)
        .KeySignature(0, -3, true)
        .SysEx(0, {0x7E, 0x7F, 0x09, 0x01})
        .SysExContinuation(0, {0xF7})
        .Port(0, "A")
        .ProgramChange(0, 0, 110)
        .ProgramChange(0, 0, 5)
        .NoteOn(0, 0, 60, 100)
        .Running(48, {60, 0})
        .NoteOn(0, 9, 36, 100)
        .PitchWheel(0, 1, 8192)
        .Raw(0, {0xF2, 0x00, 0x00})
        .NoteOff(96, 9, 36)
        .EndOfTrack();
    return file;
}

FileBuilder FormatOne() {
    FileBuilder file(1, 480);
    file.AddTrack()
        .TrackName(0, "Song")
        .Bpm(0, 90)
        .Meta(0, 0x7F, {0x00, 0x6B, 0x3D, 0x04, 0x00, 0x01})
        .Bpm(960, 140)
        .TimeSignature(1920, 3, 2)
        .EndOfTrack();
    file.AddTrack()
        .TrackName(0, "Piano")
        .Controller(0, 0, 0, 1)
        .Controller(0, 0, 32, 2)
        .ProgramChange(0, 0, 3)
        .NoteOn(0, 0, 60, 90)
        .KeyPressure(10, 0, 60, 40)
        .ChannelPressure(10, 0, 30)
        .NoteOff(460, 0, 60)
        .EndOfTrack();
    file.AddTrack().Text(0, 0x01, "Bass").Port(0, "B").NoteOn(0, 1, 40, 80).NoteOff(480, 1, 40);
    file.AddTrack();  // left without end of track on purpose: the fuzzer shortens and mends
    return file;
}

FileBuilder FormatTwo() {
    FileBuilder file(2, 24);
    file.AddTrack().Tempo(0, 600000).EndOfTrack();
    file.AddTrack().NoteOn(0, 2, 50, 100).NoteOff(24, 2, 50).EndOfTrack();
    return file;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteMidiFiles(const std::string& folder) {
    return FormatZero().WriteFile(folder + "/format0.mid") &&
           FormatOne().WriteFile(folder + "/format1.mid") &&
           FormatTwo().WriteFile(folder + "/format2.mid");
}

bool WritePieceSettingsFiles(const std::string& folder) {
    using namespace ostinel;
    PieceSettingsEntry entry;
    entry.settings = DefaultPieceSettings(12000);
    entry.settings.masterTranspose = -3;
    entry.settings.twoFollowTracks = 1;
    entry.tracks.resize(3);
    entry.tracks[1].name = "Piano";
    entry.tracks[1].programTable[0] = 1;
    entry.tracks[1].programTable[4] = 2;
    entry.displayName = "Song";
    entry.markers.rehearsalPoints = {ScorePosition{1000}, ScorePosition{2000}};
    entry.markers.waitForSignal = {ScorePosition{3000}};
    entry.markers.ignoreSoloist = {{ScorePosition{4000}, ScorePosition{5000}}};
    PieceSettingsStore store;
    if (!WritePieceSettingsEntry(store, 0, std::nullopt, entry) ||
        !WritePieceSettingsEntry(store, 1, "Concert", entry))
        return false;
    const std::vector<std::uint8_t> plain = FormatOne().Build();
    const auto withSettings = ReplacePieceSettingsEvent(plain, store);
    return withSettings && WriteBytes(folder + "/settings.mid", *withSettings) &&
           WriteBytes(folder + "/plain.mid", plain);
}

bool WriteSettingsStores(const std::string& folder) {
    using namespace ostinel;
    using fuzzing::AppendRecord;
    SystemSettingsState state;
    state.settings = DefaultSystemSettings();
    state.settings.tapSource = 4;
    state.settings.tapController = 64;
    state.remote[0] = 60;
    const auto systemBytes = EncodeSystemSettings(state.settings);
    const auto remoteBytes = EncodeRemoteTable(state.remote);
    const std::vector<std::string> devices{"Keys", "Pedals"};
    const std::array<std::uint16_t, kSettingsPortCount> numbers{1, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> out;
    AppendRecord(out, 0, 0, {0, 0});
    for (std::uint8_t name = 0; name < 2; ++name) {
        AppendRecord(out, 1, name, {systemBytes.begin(), systemBytes.end()});
        AppendRecord(out, 2, name, {remoteBytes.begin(), remoteBytes.end()});
        AppendRecord(out, 4, name, EncodeDeviceNames(numbers, devices));
        AppendRecord(out, 5, name, EncodeDeviceNames(numbers, devices));
    }
    AppendRecord(out, 3, 0, EncodeFilePath("/home/player/song.mid"));
    AppendRecord(out, 6, 0, std::vector<std::uint8_t>(16, 1));
    return WriteBytes(folder + "/store.bin", out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER [FUZZER]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::string fuzzer = argc == 3 ? argv[2] : "";
    bool written = false;
    if (fuzzer == "fuzz_piece_settings") {
        written = WritePieceSettingsFiles(folder);
    } else if (fuzzer == "fuzz_settings_store") {
        written = WriteSettingsStores(folder);
    } else {
        written = WriteMidiFiles(folder);
    }
    return written ? 0 : 1;
}
