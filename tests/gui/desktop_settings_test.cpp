#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>

#include "app/command_ids.h"
#include "app/piece_settings_application.h"
#include "desktop_fixture.h"
#include "gui/desktop_settings.h"
#include "platform/manual/memory_settings_store.h"
#include "support/test_folder.h"

namespace ostinel::testing {
namespace {

class DesktopSettingsTest : public DesktopTest {
  protected:
    void SetUp() override {
        DesktopTest::SetUp();
        engine_.UseSettingsStore(store_);
        settings_.StartUp(false);
        // A copy, since the piece keeps its settings inside the file.
        std::filesystem::copy_file(std::string(OSTINEL_SOURCE_DIR) + "/examples/demo.mid", piece_);
        ASSERT_EQ(window_.OpenFile(piece_), LoadResult::Loaded);
    }

    platform::MemorySettingsStore store_;
    gui::DesktopSettings settings_{engine_, window_};
    TestFolder folder_{"ostinel-desktop-settings"};
    std::string piece_ = (folder_.Path() / "demo.mid").string();
};

TEST_F(DesktopSettingsTest, APieceReopensWithItsViewsWhereAndAsTheyWereLeft) {
    engine_.SystemRecord().rememberViewLocations = 1;
    auto places = Area().ViewPlaces();
    places[3].dx = static_cast<std::int16_t>(places[3].dx + 40);
    places[7].dy = static_cast<std::int16_t>(places[7].dy + 24);
    Area().PlaceViews(places);
    window_.DispatchCommand(command::kFirstView + 5);
    ASSERT_FALSE(Area().Layout().Shown(5));

    // Opening it again keeps the settings it is left with, then applies them.
    ASSERT_EQ(window_.OpenFile(piece_), LoadResult::Loaded);
    EXPECT_EQ(Area().ViewPlaces(), places);
    EXPECT_FALSE(Area().Layout().Shown(5));
}

TEST_F(DesktopSettingsTest, WithoutRememberedLocationsTheViewsStayAtHome) {
    engine_.SystemRecord().rememberViewLocations = 0;
    const auto home = Area().ViewPlaces();
    auto places = home;
    places[1].dx = static_cast<std::int16_t>(places[1].dx - 30);
    Area().PlaceViews(places);
    ASSERT_EQ(window_.OpenFile(piece_), LoadResult::Loaded);
    EXPECT_EQ(Area().ViewPlaces(), home);
}

TEST_F(DesktopSettingsTest, SavedSetsNameTheirMenuItems) {
    ASSERT_TRUE(StorePieceSettings(engine_, 1, "Slow practice"));
    ASSERT_EQ(window_.OpenFile(piece_), LoadResult::Loaded);
    EXPECT_EQ(window_.Menu().Action(command::kPieceLoadFirst)->text(),
              QStringLiteral("Slow practice"));
    EXPECT_EQ(window_.Menu().Action(command::kPieceLoadFirst + 1)->text(),
              QStringLiteral("(no settings saved)"));
}

}  // namespace
}  // namespace ostinel::testing
