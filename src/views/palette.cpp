#include "views/palette.h"

namespace ostinel::views {

const Palette& CurrentPalette() {
    static const Palette palette;
    return palette;
}

}  // namespace ostinel::views
