#include "playback/chase_and_silence.h"

#include <array>

#include "midi/sync/midi_clock.h"
#include "midi/sync/mtc_quarter_frames.h"
#include "midi/sync/smpte_time.h"
#include "playback/chase.h"
#include "playback/locate.h"
#include "playback/silence.h"

namespace ostinel {
namespace {

SmpteFrameRate FrameRateOf(const OutputSettings& settings) {
    return static_cast<SmpteFrameRate>(settings.frameRate);
}

}  // namespace

void ChaseAndSilence::ChaseStart(Piece& piece, const Start& start,
                                 const MetronomeSettings& metronome, const TrackChoice& chased) {
    const OutputSettings& settings = output_.Settings();
    if (settings.transmitSysex) ChaseSysEx(piece, start.position, start.sysExIndex);

    // The file's tracks, then the performance track.
    const int tracks = piece.TrackCount() + 1;
    std::int32_t counted = 0;
    for (int i = 0; i < tracks; ++i) {
        if (chased(i))
            counted += ChaseTrackSettings(piece.tracks[static_cast<std::size_t>(i)], output_,
                                          i == tracks - 1, true);
    }
    // The devices take the controllers before the notes.
    if (counted > 0) timers_.Sleep(ChasePauseMs(counted));
    const HeldNoteShaping shaping{settings.soundHeldNotes, start.masterVolume,
                                  start.masterTranspose, start.quiet};
    for (int i = 0; i < tracks; ++i) {
        if (chased(i)) ChaseHeldNotes(piece.tracks[static_cast<std::size_t>(i)], output_, shaping);
    }

    if (start.metronomeClicks) SendMetronomeProgram(metronome);
    if (!settings.transmitExternalSync || start.previewing) return;
    SendLocateSync(piece, start.position);
    if (settings.syncType == kSyncTypeMidiSync) {
        const std::array<std::uint8_t, 1> go{StartOrContinue(start.position)};
        output_.SendMidi(go, settings.syncPort);
    }
}

void ChaseAndSilence::ChaseSysEx(const Piece& piece, ScorePosition position,
                                 std::int32_t sysExIndex) {
    const OutputSettings& settings = output_.Settings();
    for (std::int32_t i = 0; i < sysExIndex; ++i) {
        const SysExRecord& record = piece.sysExList[static_cast<std::size_t>(i)];
        const bool atStart = static_cast<ScorePosition>(record.time) == position;
        bool send = false;
        switch (settings.sysexMode) {
            case kSysexEveryTime:
                send = true;
                break;
            case kSysexAsTheyAppear:
                send = atStart;
                break;
            default:
                send = atStart && position > static_cast<ScorePosition>(piece.firstEventTime);
                break;
        }
        if (send && record.bufferIndex < piece.sysExBuffers.size())
            output_.SendMidi(piece.sysExBuffers[record.bufferIndex], settings.sysexPort);
    }
}

void ChaseAndSilence::SilenceStop(const Piece& piece, int tracks, std::int32_t nextSysEx,
                                  std::int16_t masterTranspose, bool previewing,
                                  const TrackChoice& sources) {
    const OutputSettings& settings = output_.Settings();
    if (!settings.thruOn) {
        for (int i = 0; i < tracks; ++i)
            SendSoundOff(piece.tracks[static_cast<std::size_t>(i)], output_);
    }
    for (int i = 0; i < tracks; ++i) {
        if (sources(i))
            SilenceTrack(piece.tracks[static_cast<std::size_t>(i)], output_, masterTranspose,
                         settings.thruOn);
    }
    if (settings.transmitSysex && settings.sysexMode == kSysexEveryTime) {
        const auto& list = piece.sysExList;
        for (auto i = static_cast<std::size_t>(nextSysEx); i < list.size(); ++i) {
            if (list[i].bufferIndex < piece.sysExBuffers.size())
                output_.SendMidi(piece.sysExBuffers[list[i].bufferIndex], settings.sysexPort);
        }
    }
    if (settings.transmitExternalSync && settings.syncType == kSyncTypeMidiSync && !previewing) {
        const std::array<std::uint8_t, 1> stop{kMidiStop};
        output_.SendMidi(stop, settings.syncPort);
    }
}

void ChaseAndSilence::SendLocateSync(const Piece& piece, ScorePosition position) {
    const OutputSettings& settings = output_.Settings();
    if (settings.syncType == kSyncTypeTimeCode) {
        const auto frames = MtcQuarterFrames::StartAt(position, FrameRateOf(settings));
        FullFrameMessage message{};
        BuildFullFrame(frames.FullFrameTime(), FrameRateOf(settings), message);
        output_.SendMidi(message, settings.syncPort);
        return;
    }
    std::int32_t sixteenths = 0;
    if (const BeatRecord* beat = BeatAtOrBefore(piece, position)) {
        const auto index = static_cast<std::size_t>(beat - piece.beatMap.data());
        const BeatRecord* next =
            index + 1 < piece.beatMap.size() ? &piece.beatMap[index + 1] : nullptr;
        MidiClockSync clocks;
        sixteenths = clocks.Locate(position, *beat, next);
    }
    SongPositionMessage message{};
    BuildSongPosition(sixteenths, message);
    output_.SendMidi(message, settings.syncPort);
}

void ChaseAndSilence::SendMetronomeProgram(const MetronomeSettings& metronome) {
    const std::array<std::uint8_t, 2> program{
        static_cast<std::uint8_t>(kProgramChange | metronome.channel), metronome.patch};
    output_.SendMidi(program, metronome.port);
}

}  // namespace ostinel
