#include "views/view_layout.h"

#include <algorithm>

namespace ostinel::views {

void ViewLayout::LayoutViews(int clientWidth, int clientHeight, int trackCount) {
    elements_ = kDesignElements;
    states_.fill(kStateNormal);
    trackCount_ = std::max(trackCount, 0);

    // Wider windows show more tracks side by side.
    const int fitting = clientWidth < kDesignWidth
                            ? kMinimumColumns
                            : kMinimumColumns + (clientWidth - kDesignWidth) / kColumnWidth;
    visibleColumns_ = std::max(1, std::min(trackCount_, fitting));
    firstTrack_ = 0;
    SetState(element::kScrollLeft, kStateLit);
    SetState(element::kScrollRight, kStateNormal);

    // The Tracks view grows equally on both sides.
    const int grow = (visibleColumns_ - 1) * kColumnWidth;
    Element(element::kTracksRightPart) = Element(element::kTracksRightPart).Moved(grow, 0);
    Box& tracks = Element(kFrameElement[kTracksView]);
    tracks.left -= grow / 2;
    tracks.right = tracks.left + Element(element::kTracksRightPart).right;

    const Box title = Frame(kTitleView);
    const int dx = (clientWidth - title.left - title.right) / 2;
    const int dy = (clientHeight - title.top - Frame(kTracksView).bottom - 1) / 2;
    for (int view = 0; view < kViewCount; ++view) {
        Box& frame = Element(kFrameElement[static_cast<std::size_t>(view)]);
        frame = frame.Moved(dx, dy);
        homeX_[static_cast<std::size_t>(view)] = PlaceX(view);
        homeY_[static_cast<std::size_t>(view)] = frame.top;
    }
}

bool ViewLayout::AnyShown() const {
    return std::any_of(shown_.begin(), shown_.end(), [](bool s) { return s; });
}

bool ViewLayout::AnyHidden() const {
    return std::any_of(shown_.begin(), shown_.end(), [](bool s) { return !s; });
}

int ViewLayout::ViewAt(int x, int y) const {
    for (const int view : order_)
        if (Shown(view) && Region(view).Contains(x, y)) return view;
    return -1;
}

void ViewLayout::BringToFront(int orderIndex) {
    if (orderIndex <= 0 || orderIndex >= kViewCount) return;
    const int view = order_[static_cast<std::size_t>(orderIndex)];
    std::copy_backward(order_.begin(), order_.begin() + orderIndex,
                       order_.begin() + orderIndex + 1);
    order_[0] = view;
}

void ViewLayout::MoveView(int view, int dx, int dy) {
    Box& frame = Element(kFrameElement[static_cast<std::size_t>(view)]);
    frame = frame.Moved(dx, dy);
}

int ViewLayout::HomeX(int view) const {
    return homeX_[static_cast<std::size_t>(view)];
}

int ViewLayout::PlaceX(int view) const {
    const Box& frame = Frame(view);
    return view == kTitleView ? (frame.left + frame.right) / 2 : frame.left;
}

void ViewLayout::CenterAllViews() {
    for (int view = 0; view < kViewCount; ++view)
        MoveView(view, HomeX(view) - PlaceX(view), HomeY(view) - Frame(view).top);
}

void ViewLayout::ClientResized(int dw, int dh) {
    const int dx = dw / 2;
    const int dy = dh / 2;
    for (int view = 0; view < kViewCount; ++view) {
        MoveView(view, dx, dy);
        homeX_[static_cast<std::size_t>(view)] += dx;
        homeY_[static_cast<std::size_t>(view)] += dy;
    }
}

Box ViewLayout::HomeBounds() const {
    Box bounds = Region(0).Moved(HomeX(0) - PlaceX(0), HomeY(0) - Frame(0).top);
    for (int view = 1; view < kViewCount; ++view) {
        const Box home =
            Region(view).Moved(HomeX(view) - PlaceX(view), HomeY(view) - Frame(view).top);
        bounds = {std::min(bounds.left, home.left), std::min(bounds.top, home.top),
                  std::max(bounds.right, home.right), std::max(bounds.bottom, home.bottom)};
    }
    return bounds;
}

void ViewLayout::KeepViewsInside(int width, int height) {
    for (int view = 0; view < kViewCount; ++view) {
        const Box region = Region(view);
        int dx = region.right > width ? width - region.right : 0;
        int dy = region.bottom > height ? height - region.bottom : 0;
        if (region.left + dx < 0) dx = -region.left;
        if (region.top + dy < 0) dy = -region.top;
        if (dx != 0 || dy != 0) MoveView(view, dx, dy);
    }
}

void ViewLayout::ScrollTracks(int direction) {
    const int last = std::max(0, trackCount_ - visibleColumns_);
    firstTrack_ = std::clamp(firstTrack_ + direction * kScrollStep, 0, last);
    SetState(element::kScrollLeft, firstTrack_ == 0 ? kStateLit : kStateNormal);
    SetState(element::kScrollRight, firstTrack_ >= last ? kStateLit : kStateNormal);
}

}  // namespace ostinel::views
