#include "cli/piece_settings_report.h"

#include <cstdio>

#include "app/named_settings.h"

namespace ostinel::cli {

namespace {

std::string Percent(unsigned scale, unsigned whole) {
    return std::to_string((scale * 100 + whole / 2) / whole) + " %";
}

std::string Count(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Signed(int value) {
    return value > 0 ? "+" + std::to_string(value) : std::to_string(value);
}

void DescribeTrack(std::string& out, std::size_t number, bool performance,
                   const TrackSettingsBlock& block) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "    %2zu  volume %-6s channel %-3u port %c  transpose %-4s %s", number,
                  Percent(block.volume, 256).c_str(), (block.channel & 0x0Fu) + 1,
                  block.port < 8 ? static_cast<char>('A' + block.port) : '?',
                  Signed(block.transpose).c_str(), block.play != 0 ? "play" : "mute");
    out += line;
    if (block.substitute != 0) out += "  substitute programs";
    if (performance) out += "  (performance track)";
    if (!block.name.empty()) out += "  name \"" + block.name + "\"";
    out += "\n";
}

void DescribeEntry(std::string& out, const PieceSettingsEntry& entry) {
    const PieceSettings& s = entry.settings;
    out += "  loop: " + std::to_string(s.loopBeginMs) + " ms to " + std::to_string(s.loopEndMs) +
           " ms\n";
    out += "  master volume " + Percent(s.masterVolume, 256) + ", tempo " +
           Percent(s.tempoScale, 4096) + ", transpose " + Signed(s.masterTranspose) + "\n";
    out += "  following track " + std::to_string(s.followTrack1 + 1);
    if (s.twoFollowTracks != 0) out += " and " + std::to_string(s.followTrack2 + 1);
    out += s.performanceUsesPort != 0 ? "; the performance uses its own port\n"
                                      : "; the performance uses the following track's output\n";
    out += "  display name: " +
           (entry.displayName.empty() ? std::string("none") : "\"" + entry.displayName + "\"") +
           "\n";
    const SpecialMarkers& m = entry.markers;
    out += "  markers: " + Count(m.rehearsalPoints.size(), "rehearsal point", "rehearsal points") +
           ", " + Count(m.waitForSoloist.size(), "wait for soloist", "waits for soloist") + ", " +
           Count(m.waitForSignal.size(), "wait for signal", "waits for signal") + ", " +
           Count(m.restoreTempo.size(), "restore tempo", "restore tempos") + ", " +
           Count(m.ignoreSoloist.size(), "ignore soloist range", "ignore soloist ranges") + "\n";
    out += "  tracks: " + std::to_string(entry.tracks.size()) + "\n";
    for (std::size_t t = 0; t < entry.tracks.size(); ++t)
        DescribeTrack(out, t + 1, t + 1 == entry.tracks.size(), entry.tracks[t]);
}

}  // namespace

std::string DescribePieceSettings(const PieceSettingsStore& stored) {
    std::string out;
    for (int slot = 0; slot < kPieceSettingsSlotCount; ++slot) {
        out += slot == 0 ? std::string("Slot 0: the settings the piece was left with")
                         : "Slot " + std::to_string(slot) + ": " +
                               (stored.SlotUsed(slot) ? "\"" + stored.SlotName(slot) + "\""
                                                      : std::string(kNoSettingsSaved));
        out += "\n";
        if (!stored.SlotUsed(slot)) {
            if (slot == 0) out += "  (none stored)\n";
            continue;
        }
        const auto entry = ReadPieceSettingsEntry(stored, slot);
        if (entry) {
            DescribeEntry(out, *entry);
        } else {
            out += "  (damaged: it cannot be loaded)\n";
        }
    }
    return out;
}

std::string ListPieceSettings(const PieceSettingsStore& stored) {
    std::string out;
    for (int slot = 1; slot < kPieceSettingsSlotCount; ++slot) {
        out += "  " + std::to_string(slot) + "  " +
               (stored.SlotUsed(slot) ? stored.SlotName(slot) : std::string(kNoSettingsSaved)) +
               "\n";
    }
    return out;
}

}  // namespace ostinel::cli
