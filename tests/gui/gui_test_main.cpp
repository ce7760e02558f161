#include "gui/offscreen_qt_main.h"

int main(int argc, char* argv[]) {
    return ostinel::testing::RunOffscreenQtTests(argc, argv, "ostinel-gui");
}
