#include "cli/follow_score_view.h"

#include "app/played_trace.h"
#include "app/score_frame.h"
#include "app/score_roll.h"
#include "sequence/piece.h"
#if OSTINEL_SCORE_PICTURE
#include "views/score_picture.h"
#endif

namespace ostinel::cli {
#if OSTINEL_SCORE_PICTURE
namespace {

constexpr double kPictureWidth = 640;
constexpr double kPictureHeight = 220;
// The now line near the right edge: the picture is of what was played.
constexpr double kNowFraction = 0.9;
constexpr double kRollMargins = 30;  // the keyboard and the panel's edges

}  // namespace
#endif

bool WriteFollowScoreView(const FollowRunOptions& options, const FollowRunResult& result,
                          const std::string& path, int percent, std::string& error) {
#if OSTINEL_SCORE_PICTURE
    Piece piece;
    if (OpenPiece(options.piecePath, piece) != LoadResult::Loaded) {
        error = options.piecePath + ": cannot be read for the Score view";
        return false;
    }
    ScoreRoll roll;
    roll.Build(piece, options.track - 1, options.track2 > 0 ? options.track2 - 1 : -1,
               options.markers);
    PlayedTrace trace;
    trace.Begin(roll, result.played.empty() ? ScorePosition{} : result.played.front().place);
    for (const PlayedEvent& event : result.played)
        trace.Add(roll, event);
    ScoreViewport viewport;
    viewport.width = kPictureWidth;
    viewport.height = kPictureHeight;
    viewport.now = result.endPosition;
    viewport.nowFraction = kNowFraction;
    viewport.pixelsPerSecond = (kPictureWidth - kRollMargins) * kNowFraction / kScoreViewSeconds;
    if (!views::WriteScorePicture(roll, &trace, viewport, percent / 100.0, path)) {
        error = path + ": cannot be written";
        return false;
    }
    return true;
#else
    (void)options;
    (void)result;
    (void)path;
    (void)percent;
    error = "--score-view needs the desktop build (Qt); this one has none";
    return false;
#endif
}

}  // namespace ostinel::cli
