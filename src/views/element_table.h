#pragma once

#include <array>
#include <cstdint>

namespace ostinel::views {

// A rectangle of the layout, right and bottom exclusive, in pixels of the
// 640-pixel-wide design.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Empty() const { return right <= left || bottom <= top; }
    Box Moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    bool Intersects(const Box& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    friend bool operator==(const Box&, const Box&) = default;
};

inline constexpr int kViewCount = 8;
inline constexpr int kElementCount = 76;

// The views, numbered as the Views menu numbers them (command 100 + view).
enum ViewId : int {
    kTitleView = 0,
    kMainTransportView = 1,
    kSongPositionView = 2,
    kCurrentTempoView = 3,
    kMasterTempoView = 4,
    kMeasureBeatView = 5,
    kMasterVolumeView = 6,
    kTracksView = 7,
};

// The element that is each view's frame, in window coordinates.
inline constexpr std::array<int, kViewCount> kFrameElement{0, 2, 10, 33, 38, 45, 53, 60};

// Element numbers the views and their mouse handling name.
namespace element {
inline constexpr int kTitleText = 1;
inline constexpr int kRewind = 3;
inline constexpr int kStop = 4;
inline constexpr int kPlayAndFollow = 5;
inline constexpr int kPlayFile = 6;
inline constexpr int kPlayPerformance = 7;
inline constexpr int kPreview = 8;
inline constexpr int kFastForward = 9;
inline constexpr int kLoopBeginButton = 11;
inline constexpr int kLoopEndButton = 12;
inline constexpr int kLoopButton = 13;
inline constexpr int kHoldRewind = 14;
inline constexpr int kHoldFastForward = 15;
inline constexpr int kPositionThumb = 16;
inline constexpr int kPositionBar = 17;
inline constexpr int kLoopBeginMeasure = 18;
inline constexpr int kLoopBeginSeparator = 22;
inline constexpr int kLoopBeginBeat = 23;
inline constexpr int kLoopEndMeasure = 25;
inline constexpr int kLoopEndSeparator = 29;
inline constexpr int kLoopEndBeat = 30;
inline constexpr int kLoopEndBeatLast = 31;
inline constexpr int kPositionTravel = 32;
inline constexpr int kMetronomeButton = 34;
inline constexpr int kTempoDigits = 35;
inline constexpr int kMasterTempoThumb = 39;
inline constexpr int kMasterTempoBar = 40;
inline constexpr int kMasterTempoDigits = 41;
inline constexpr int kMasterTempoTravel = 44;
inline constexpr int kMeasureDigits = 46;
inline constexpr int kMeasureSeparator = 50;
inline constexpr int kBeatDigits = 51;
inline constexpr int kMasterVolumeThumb = 54;
inline constexpr int kMasterVolumeBar = 55;
inline constexpr int kMasterVolumeDigits = 56;
inline constexpr int kMasterVolumeTravel = 59;
inline constexpr int kTracksLeftPart = 61;
inline constexpr int kTrackColumn = 62;
inline constexpr int kTracksRightPart = 63;
inline constexpr int kScrollLeft = 64;
inline constexpr int kScrollRight = 65;
inline constexpr int kTrackVolumeThumb = 66;
inline constexpr int kTrackVolumeBar = 67;
inline constexpr int kPlayLamp = 68;
inline constexpr int kFollowLamp = 69;
inline constexpr int kPortChannelRow = 70;
inline constexpr int kTransposeRow = 71;
inline constexpr int kVolumeRow = 72;
inline constexpr int kNameRow = 73;
inline constexpr int kSecondNameRow = 74;
inline constexpr int kTrackVolumeTravel = 75;
}  // namespace element

// Element states.
inline constexpr std::uint16_t kStateNormal = 0;
inline constexpr std::uint16_t kStatePressed = 100;
inline constexpr std::uint16_t kStateLit = 200;  // for the scroll buttons: unavailable

// The layout of the design: the eight frames in window coordinates, every
// other element relative to its view's top-left corner.
inline constexpr std::array<Box, kElementCount> kDesignElements{{
    {9, 24, 631, 50},     {150, 4, 602, 20},   {138, 55, 501, 118},  {8, 7, 59, 58},
    {65, 7, 116, 58},     {122, 7, 173, 59},   {179, 17, 209, 48},   {214, 17, 244, 48},
    {250, 7, 301, 58},    {307, 7, 358, 58},   {138, 123, 501, 211}, {9, 49, 49, 82},
    {316, 49, 356, 82},   {163, 49, 202, 82},  {10, 8, 40, 38},      {325, 8, 355, 38},
    {42, 12, 62, 32},     {42, 12, 321, 32},   {56, 51, 70, 78},     {70, 51, 84, 78},
    {84, 51, 98, 78},     {98, 51, 112, 78},   {112, 51, 117, 78},   {117, 51, 131, 78},
    {131, 51, 145, 78},   {218, 51, 232, 78},  {232, 51, 246, 78},   {246, 51, 260, 78},
    {260, 51, 274, 78},   {274, 51, 279, 78},  {279, 51, 293, 78},   {293, 51, 307, 78},
    {42, 12, 321, 32},    {507, 55, 631, 118}, {10, 25, 50, 58},     {59, 25, 76, 56},
    {76, 25, 93, 56},     {93, 25, 110, 56},   {507, 123, 631, 211}, {13, 69, 32, 80},
    {13, 25, 32, 80},     {48, 49, 65, 80},    {65, 49, 82, 80},     {82, 49, 99, 80},
    {13, 25, 32, 80},     {9, 55, 133, 118},   {9, 25, 26, 56},      {26, 25, 43, 56},
    {43, 25, 60, 56},     {60, 25, 77, 56},    {77, 25, 83, 56},     {83, 25, 100, 56},
    {100, 25, 117, 56},   {9, 123, 133, 211},  {13, 69, 32, 80},     {13, 25, 32, 80},
    {48, 49, 65, 80},     {65, 49, 82, 80},    {82, 49, 99, 80},     {13, 25, 32, 80},
    {271, 216, 369, 397}, {0, 0, 40, 181},     {40, 0, 75, 181},     {75, 0, 98, 181},
    {24, 140, 37, 153},   {5, 140, 18, 153},   {8, 136, 27, 147},    {8, 61, 27, 147},
    {8, 15, 29, 24},      {8, 26, 29, 35},     {0, 2, 35, 11},       {0, 35, 35, 45},
    {0, 48, 35, 58},      {0, 153, 35, 162},   {0, 165, 35, 174},    {8, 61, 27, 147},
}};

// The view an element belongs to.
constexpr int ViewOfElement(int elementIndex) {
    int view = 0;
    for (int v = 0; v < kViewCount; ++v)
        if (elementIndex >= kFrameElement[static_cast<std::size_t>(v)]) view = v;
    return view;
}

}  // namespace ostinel::views
