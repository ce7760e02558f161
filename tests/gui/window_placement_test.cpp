#include "gui/window_placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cmath>

#include "app/engine.h"
#include "desktop_fixture.h"
#include "gui/main_window.h"
#include "platform/manual/memory_settings_store.h"

namespace ostinel::gui {
namespace {

const QRect kScreen(0, 0, 1286, 806);  // maximised window 1280 x 800 after the 6 pixels

TEST(WindowPlacement, TheStoredRecordIsSixteenLittleEndianBytes) {
    platform::MemorySettingsStore store;
    ASSERT_TRUE(WriteWindowPlacement(store, {10, 20, 810, -620}));
    const auto bytes = store.Read(kMainWindowKey, ".");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, (std::vector<std::uint8_t>{10, 0, 0, 0, 20, 0, 0, 0, 0x2A, 3, 0, 0, 0x94,
                                                 0xFD, 0xFF, 0xFF}));
    EXPECT_EQ(ReadWindowPlacement(store), (WindowPlacement{10, 20, 810, -620}));
}

TEST(WindowPlacement, ANegativeEdgeRestoresMinimisedOrMaximised) {
    const WindowShow maximised = ShowFor(WindowPlacement{10, 20, 810, -620}, kScreen);
    EXPECT_TRUE(maximised.maximised);
    EXPECT_FALSE(maximised.minimised);
    EXPECT_EQ(maximised.geometry, QRect(10, 20, 800, 600));
    const WindowShow minimised = ShowFor(WindowPlacement{10, 20, -810, -620}, kScreen);
    EXPECT_TRUE(minimised.minimised);
    EXPECT_FALSE(minimised.maximised);
}

TEST(WindowPlacement, APlacementIsKeptOnTheScreen) {
    const WindowShow show = ShowFor(WindowPlacement{-40, -5, 3000, 2000}, kScreen);
    EXPECT_EQ(show.geometry, QRect(0, 0, 1280, 800));
    // Nothing stored: the whole screen, shown normally.
    EXPECT_EQ(ShowFor(std::nullopt, kScreen).geometry, QRect(0, 0, 1280, 800));
    platform::MemorySettingsStore store;
    const std::vector<std::uint8_t> shortValue(12, 0);
    store.Write(kMainWindowKey, ".", shortValue);
    EXPECT_FALSE(ReadWindowPlacement(store));
}

TEST(WindowPlacement, ARememberedSmallWindowGrowsToHoldTheViewsAt200Percent) {
    platform::ManualClock clock{platform::ClockMs{0}};
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem midi{clock, {}, {"Synth"}};
    testing::RecordingPresenter presenter;
    DesktopUi ui{presenter};
    Engine engine{clock, timers, midi, ui};
    MainWindow window{engine, ui};
    platform::MemorySettingsStore store;
    // Left small at 100 %: 300 x 200 pixels.
    ASSERT_TRUE(WriteWindowPlacement(store, {40, 30, 340, 230}));

    // As `ostinel --scale 200` starts.
    window.Area().SetDesignScale(2.0);
    ShowAsPlaced(window, store, QRect(0, 0, 4000, 3000));
    ASSERT_TRUE(window.OpenFirstPiece(QStringLiteral(OSTINEL_SOURCE_DIR "/examples/demo.mid")));
    const views::Box home = window.Area().Layout().HomeBounds();
    const int wide = int(std::ceil(home.Width() * 2.0));
    const int high = int(std::ceil(home.Height() * 2.0));
    ASSERT_GT(wide, 300);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.Area().width() >= wide && window.Area().height() >= high; }, 3000))
        << window.Area().width() << " x " << window.Area().height();
    EXPECT_GT(window.width(), 300);
    window.Area().RemoveTitlePicture();
}

}  // namespace
}  // namespace ostinel::gui
