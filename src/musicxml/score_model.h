#pragma once

// The score as read from a MusicXML file, before it is unfolded into playing
// order: per part its measures, each with its notes and marks at offsets in
// ticks from the start of the measure. Every part shares one tick unit.

#include <cstdint>
#include <string>
#include <vector>

namespace ostinel::musicxml {

inline constexpr int kPercussionChannel = 9;  // channel 10, counted from 0

// Ornaments played as several notes, 32nd notes from the note's start.
enum class Ornament : std::uint8_t {
    None,
    Trill,            // the note and the one above, alternating to its end
    Mordent,          // the note, the one below, the note
    InvertedMordent,  // the note, the one above, the note
    Turn,             // above, the note, below, the note
    InvertedTurn,     // below, the note, above, the note
};

struct ScoreNote {
    std::int32_t onset = 0;     // ticks from the start of the measure
    std::int32_t duration = 0;  // ticks; 0 for a grace note
    std::uint8_t key = 60;      // sounding MIDI key
    std::int16_t staff = 0;     // 0-based staff of the part
    std::int16_t voice = 0;
    // Velocity from the note's own dynamics attribute; 0 = the part's current level.
    std::uint8_t velocity = 0;
    bool tieStart = false;
    bool tieStop = false;
    // A grace note sounds this many grace lengths before its principal note,
    // whose onset it carries; 0 for every other note.
    std::uint8_t graceSteps = 0;
    // An ornament with the sounding keys of the notes above and below in the
    // scale; a tremolo repeats the note every strokeTicks (0: no tremolo).
    Ornament ornament = Ornament::None;
    std::uint8_t upperKey = 0;
    std::uint8_t lowerKey = 0;
    std::int32_t strokeTicks = 0;
    std::uint8_t arpeggio = 0;  // a rolled chord: 1 upwards, 2 downwards
    bool printed = true;        // false: print-object="no", a note only heard
};

// A change of loudness or tempo somewhere inside a measure.
struct TimedValue {
    std::int32_t offset = 0;  // ticks from the start of the measure
    std::uint32_t value = 0;  // a velocity, or microseconds per quarter note
};

struct MeasureNotes {
    std::vector<ScoreNote> notes;
    std::vector<TimedValue> dynamics;
    std::vector<TimedValue> tempos;
    std::int32_t length = 0;  // the furthest any voice reached, in ticks
};

// What a measure says about the order it is played in, and its meter and key.
struct MeasureMarks {
    std::string number;  // as printed
    bool implicit = false;
    bool forwardRepeat = false;
    bool backwardRepeat = false;
    int repeatTimes = 2;       // how often the repeated passage is played
    std::vector<int> endings;  // the numbers of the volta brackets over this measure
    bool endingStop = false;   // a volta bracket ends with this measure
    bool segno = false;
    bool coda = false;
    bool toCoda = false;
    bool daCapo = false;
    bool dalSegno = false;
    bool fine = false;
    std::uint8_t beats = 4;  // the time signature in force
    std::uint8_t beatTypePower = 2;
    bool timeSignatureHere = false;  // a time signature is printed at this measure
    std::int8_t fifths = 0;          // the key in force
    bool minor = false;
    bool keyHere = false;
};

struct PartInfo {
    std::string id;
    std::string name;
    int staves = 1;
    int channel = 0;  // 0-15
    int program = 0;  // 0-127
    std::vector<MeasureNotes> measures;
};

struct Score {
    std::string title;
    std::int32_t division = 480;  // ticks per quarter note
    std::vector<PartInfo> parts;
    std::vector<MeasureMarks> marks;  // one per measure, from the first part
};

}  // namespace ostinel::musicxml
