#pragma once

// A MusicXML score whose first measure is a one-beat pickup (measure 0), then
// two measures of 4/4, a quarter note a second.
namespace ostinel::testing {

inline constexpr char kPickupScore[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><score-partwise version="3.1">)"
    R"(<part-list><score-part id="P1"><part-name>Piano</part-name></score-part></part-list>)"
    R"(<part id="P1"><measure number="0" implicit="yes"><attributes><divisions>1</divisions>)"
    R"(<time><beats>4</beats><beat-type>4</beat-type></time></attributes>)"
    R"(<direction><sound tempo="60"/></direction>)"
    R"(<note><pitch><step>G</step><octave>4</octave></pitch><duration>1</duration></note>)"
    R"(</measure><measure number="1">)"
    R"(<note><pitch><step>C</step><octave>5</octave></pitch><duration>4</duration></note>)"
    R"(</measure><measure number="2">)"
    R"(<note><pitch><step>E</step><octave>5</octave></pitch><duration>4</duration></note>)"
    R"(</measure></part></score-partwise>)";

}  // namespace ostinel::testing
