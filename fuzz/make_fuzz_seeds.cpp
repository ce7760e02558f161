// Writes a few small valid files, one per reader feature, as the fuzzers'
// starting corpus: make_fuzz_seeds FOLDER

#include <cstdio>
#include <string>

#include "smf_builder.h"

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool written = FormatZero().WriteFile(folder + "/format0.mid") &&
                         FormatOne().WriteFile(folder + "/format1.mid") &&
                         FormatTwo().WriteFile(folder + "/format2.mid");
    return written ? 0 : 1;
}
