#pragma once

// Saves what the output ports received during a render as a Standard MIDI
// File that plays back exactly as it was sent.

#include <cstdint>
#include <string>
#include <vector>

#include "app/piece_rendering.h"

namespace ostinel::cli {

// The messages, in arrival order, as a format 1 file at one tick a
// millisecond. The first track holds `title`, 4/4 and the tempo; then one
// track per port and channel that received channel messages ("Port A,
// channel 1"), then one per port that received system messages ("Port A,
// system"), each starting with its port and keeping its messages in order.
// The soloist's messages, if any, make a track "Soloist" right after the
// first. Messages of other ports outside 0-7, and bytes that are not a whole message, are
// left out.
std::vector<std::uint8_t> EncodeCapturedStream(const std::vector<PortMessage>& messages,
                                               const std::string& title);

// Encodes the messages and writes them to `path`, replacing any file there.
// False with `error` in plain words when the file cannot be written; then no
// partial file is left.
bool WriteCapturedStream(const std::vector<PortMessage>& messages, const std::string& title,
                         const std::string& path, std::string& error);

}  // namespace ostinel::cli
