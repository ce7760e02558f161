// The Views menu: which views are shown, in what order, and where.

#include <algorithm>

#include "views/view_area.h"

namespace ostinel::views {

void ViewArea::ToggleView(int view) {
    if (view < 0 || view >= kViewCount) return;
    layout_.SetShown(view, !layout_.Shown(view));
    if (layout_.Shown(view)) {
        const auto& order = layout_.Order();
        const int at = int(std::find(order.begin(), order.end(), view) - order.begin());
        BringViewToFront(at);
        InvalidateView(view);
    }
    update(WidgetRect(layout_.Region(view)));
    emit viewsChanged();
}

void ViewArea::ShowAllViews() {
    for (int view = 0; view < kViewCount; ++view)
        if (!layout_.Shown(view)) ToggleView(view);
}

void ViewArea::HideAllViews() {
    for (int view = 0; view < kViewCount; ++view)
        if (layout_.Shown(view)) ToggleView(view);
}

void ViewArea::CenterAllViews() {
    layout_.CenterAllViews();
    update();
}

void ViewArea::BringViewToFront(int orderIndex) {
    if (orderIndex <= 0) return;
    const int view = layout_.Order()[std::size_t(orderIndex)];
    layout_.BringToFront(orderIndex);
    update(WidgetRect(layout_.Region(view)));
}

bool ViewArea::SetViewOrder(const std::array<int, kViewCount>& order) {
    std::array<bool, kViewCount> seen{};
    for (const int view : order) {
        if (view < 0 || view >= kViewCount || seen[std::size_t(view)]) return false;
        seen[std::size_t(view)] = true;
    }
    layout_.SetOrder(order);
    update();
    return true;
}

void ViewArea::SetViewsShown(const std::array<bool, kViewCount>& shown) {
    for (int view = 0; view < kViewCount; ++view)
        layout_.SetShown(view, shown[std::size_t(view)]);
    update();
    emit viewsChanged();
}

}  // namespace ostinel::views
