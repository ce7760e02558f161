#pragma once

#include <array>
#include <cstdint>

#include "views/element_table.h"

namespace ostinel::views {

// Where the views stand and what state their elements are in: the layout
// table moved to the client area, the stacking order, which views are shown
// and their home places, and the Tracks view's columns.
//
// Threads: main thread.
class ViewLayout {
  public:
    static constexpr int kColumnWidth = 35;
    static constexpr int kMinimumColumns = 16;
    static constexpr int kDesignWidth = 640;
    static constexpr int kScrollStep = 8;

    // Loads the design rectangles, clears every state, fits the Tracks view
    // to `trackCount` tracks and centres the design in a client area of
    // `clientWidth` x `clientHeight` design pixels; records the home places.
    void LayoutViews(int clientWidth, int clientHeight, int trackCount);

    const Box& Element(int index) const { return elements_[static_cast<std::size_t>(index)]; }
    Box& Element(int index) { return elements_[static_cast<std::size_t>(index)]; }
    const Box& Frame(int view) const {
        return Element(kFrameElement[static_cast<std::size_t>(view)]);
    }
    // The frame and its 2-pixel hard shadow.
    Box Region(int view) const {
        const Box f = Frame(view);
        return {f.left, f.top, f.right + 2, f.bottom + 2};
    }
    std::uint16_t State(int index) const { return states_[static_cast<std::size_t>(index)]; }
    void SetState(int index, std::uint16_t state) {
        states_[static_cast<std::size_t>(index)] = state;
    }

    // Front view first.
    const std::array<int, kViewCount>& Order() const { return order_; }
    void SetOrder(const std::array<int, kViewCount>& order) { order_ = order; }
    bool Shown(int view) const { return shown_[static_cast<std::size_t>(view)]; }
    void SetShown(int view, bool shown) { shown_[static_cast<std::size_t>(view)] = shown; }
    bool AnyShown() const;
    bool AnyHidden() const;
    // The front-most shown view whose region holds the point, or -1.
    int ViewAt(int x, int y) const;
    // Moves the view at `orderIndex` to the front.
    void BringToFront(int orderIndex);
    // Moves a view's frame (and so its region) by (dx, dy).
    void MoveView(int view, int dx, int dy);
    // The point that home places measure: the Title view's horizontal centre,
    // the others' left edge; the top edge for all.
    int HomeX(int view) const;
    int HomeY(int view) const { return homeY_[static_cast<std::size_t>(view)]; }
    // Where a view stands now, measured like its home.
    int PlaceX(int view) const;
    // Moves every view back to its home place.
    void CenterAllViews();
    // Keeps the views where they were against the client area's centre when
    // it changes size by (dw, dh).
    void ClientResized(int dw, int dh);
    // The smallest box that holds every view at its home place, shadows
    // included: a client area this large shows them all.
    Box HomeBounds() const;
    // Moves every view that reaches past a client area of this size back
    // inside it (its top-left corner first, when the area is too small).
    void KeepViewsInside(int width, int height);

    // The Tracks view.
    int VisibleColumns() const { return visibleColumns_; }
    int FirstTrack() const { return firstTrack_; }
    int TrackCount() const { return trackCount_; }
    bool Scrolls() const { return trackCount_ > visibleColumns_; }
    // The column's left edge in Tracks view coordinates.
    int ColumnLeft(int column) const {
        return Element(element::kTrackColumn).left + column * kColumnWidth;
    }
    // Scrolls by kScrollStep columns; -1 to the left, +1 to the right.
    void ScrollTracks(int direction);

  private:
    std::array<Box, kElementCount> elements_ = kDesignElements;
    std::array<std::uint16_t, kElementCount> states_{};
    std::array<int, kViewCount> order_{0, 1, 2, 3, 4, 5, 6, 7};
    std::array<bool, kViewCount> shown_{true, true, true, true, true, true, true, true};
    std::array<int, kViewCount> homeX_{};
    std::array<int, kViewCount> homeY_{};
    int visibleColumns_ = 1;
    int firstTrack_ = 0;
    int trackCount_ = 0;
};

}  // namespace ostinel::views
