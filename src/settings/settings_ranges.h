#pragma once

// Stored settings come from files and a store that anything may have
// written: every value is brought into the range its readers index and
// compute with, an out-of-range value becoming its default. The decoders of
// settings_records.h apply these before handing a record out.

#include <span>
#include <vector>

#include "follower/remote_table.h"
#include "music/score_range.h"
#include "settings/settings_records.h"

namespace ostinel {

void KeepSystemSettingsInRange(SystemSettings& settings);
// An entry that binds neither a note nor a controller binds nothing.
void KeepRemoteTableInRange(RemoteTable& table);
// The loop points are checked against the piece where they are applied.
void KeepPieceSettingsInRange(PieceSettings& settings);
void KeepTrackSettingsBlockInRange(TrackSettingsBlock& block);
// Positions past what a ScorePosition holds are dropped, and ranges that end
// before they start.
void KeepMarkersInRange(std::vector<ScorePosition>& markers);
void KeepIgnoreRangesInRange(std::vector<ScoreRange>& ranges);

}  // namespace ostinel
