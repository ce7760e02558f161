#include "views/slider_values.h"

#include <gtest/gtest.h>

namespace ostinel::views {
namespace {

// The master tempo slider of the design: a 55-pixel travel with an
// 11-pixel thumb leaves a span of 44.
constexpr int kTempoSpan = 44;

TEST(SliderValues, TheTempoSliderSpansFortyToTwoHundredPercent) {
    // The bottom would stop the music; it gives the slowest tempo instead.
    EXPECT_EQ(TempoScaleFromThumb(0, kTempoSpan), 40);
    EXPECT_EQ(TempoScaleFromThumb(1, kTempoSpan), (22 + 8192) / 44);
    EXPECT_EQ(TempoScaleFromThumb(22, kTempoSpan), 4096);
    EXPECT_EQ(TempoScaleFromThumb(kTempoSpan, kTempoSpan), 8192);
}

TEST(SliderValues, VolumesRoundToTheNearestStep) {
    EXPECT_EQ(MasterVolumeFromThumb(0, 44), 0);
    EXPECT_EQ(MasterVolumeFromThumb(22, 44), 256);
    EXPECT_EQ(MasterVolumeFromThumb(44, 44), 512);
    EXPECT_EQ(MasterVolumeFromThumb(1, 44), (22 + 512) / 44);
    // A track's fader reaches 150 %.
    EXPECT_EQ(TrackVolumeFromThumb(75, 75), 384);
    EXPECT_EQ(TrackVolumeFromThumb(50, 75), 256);
}

TEST(SliderValues, ThumbsStandWhereTheirValuesPutThem) {
    // Each value's thumb place maps back onto the same value.
    for (int offset = 0; offset <= 44; ++offset) {
        EXPECT_EQ(TempoThumbRise(44, TempoScaleFromThumb(offset, 44)), offset == 0 ? 0 : offset);
        EXPECT_EQ(MasterVolumeThumbRise(44, MasterVolumeFromThumb(offset, 44)), offset);
    }
    for (int offset = 0; offset <= 75; ++offset)
        EXPECT_EQ(TrackVolumeThumbRise(75, TrackVolumeFromThumb(offset, 75)), offset);
    // Values beyond the top keep the thumb at the top.
    EXPECT_EQ(MasterVolumeThumbRise(44, 2000), 44);
    EXPECT_EQ(TempoThumbRise(44, 20000), 44);
}

TEST(SliderValues, TheSongPositionThumbCoversThePiece) {
    const std::int32_t end = 90000;
    const int travel = 259;
    const std::int32_t msPerPixel = MsPerPositionPixel(end, travel);
    EXPECT_EQ(msPerPixel, (90000 + 129) / 259);
    EXPECT_EQ(PositionThumbOffset(0, msPerPixel, travel), 0);
    EXPECT_EQ(PositionThumbOffset(end, msPerPixel, travel), travel);
    // Never past the travel's end.
    EXPECT_EQ(PositionThumbOffset(end * 2, msPerPixel, travel), travel);
    EXPECT_EQ(SongPositionFromThumb(0, travel, end), 0);
    EXPECT_EQ(SongPositionFromThumb(travel, travel, end), end);
}

TEST(SliderValues, AClickOnTheBarJumpsUnderTheThumbsCentre) {
    // Travel from 42, thumb 20 wide, span 259: the thumb's centre over x.
    EXPECT_EQ(SongPositionFromBarClick(52, 42, 20, 259, 25900), 0);
    EXPECT_EQ(SongPositionFromBarClick(52 + 259, 42, 20, 259, 25900), 25900);
    EXPECT_EQ(SongPositionFromBarClick(52 + 100, 42, 20, 259, 25900), 10000);
    // Clicks beyond either end stay within the piece.
    EXPECT_EQ(SongPositionFromBarClick(43, 42, 20, 259, 25900), 0);
    EXPECT_EQ(SongPositionFromBarClick(400, 42, 20, 259, 25900), 25900);
}

TEST(SliderValues, PercentagesRound) {
    EXPECT_EQ(VolumePercent(512), 200);
    EXPECT_EQ(VolumePercent(0), 0);
    EXPECT_EQ(VolumePercent(255), 100);
    EXPECT_EQ(TempoPercent(4096), 100);
    EXPECT_EQ(TempoPercent(40), 1);
    EXPECT_EQ(TempoPercent(8192), 200);
}

}  // namespace
}  // namespace ostinel::views
