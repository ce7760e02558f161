#include "platform/real/synth/sound_font_search.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "real_midi_test_support.h"

namespace ostinel::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(SoundFontSearch, DefaultGmSf2ComesBeforeSf3BeforeAnyOther) {
    TempFolder sounds;
    const fs::path other = sounds.Write("aaa/first-in-path-order.sf2");
    const fs::path sf3 = sounds.Write("sf3/default-GM.sf3");
    const fs::path sf2 = sounds.Write("sf2/default-GM.sf2");

    EXPECT_EQ(FindSoundFont("", sounds.Path()).path, sf2);
    fs::remove(sf2);
    EXPECT_EQ(FindSoundFont("", sounds.Path()).path, sf3);
    fs::remove(sf3);
    EXPECT_EQ(FindSoundFont("", sounds.Path()).path, other);
}

TEST(SoundFontSearch, AnyOtherIsTheFirstSoundFontInPathOrderAtAnyDepth) {
    TempFolder sounds;
    sounds.Write("zz/piano.sf2");
    sounds.Write("mm/deep/er/strings.SF3");
    sounds.Write("aa/readme.txt");
    sounds.Write("aa/backup.sf2.bak");
    EXPECT_EQ(FindSoundFont("", sounds.Path()).path, sounds.Path() / "mm/deep/er/strings.SF3");
}

TEST(SoundFontSearch, DanglingDefaultLinkIsPassedOver) {
    // Debian's default-GM names are links through /etc/alternatives, which
    // may point nowhere once the SoundFont package is gone.
    TempFolder sounds;
    fs::create_directories(sounds.Path() / "sf2");
    fs::create_symlink(sounds.Path() / "removed/TimGM6mb.sf2",
                       sounds.Path() / "sf2/default-GM.sf2");
    const fs::path linked = sounds.Write("real/FluidR3_GM.sf2");
    fs::create_directories(sounds.Path() / "sf3");
    fs::create_symlink(linked, sounds.Path() / "sf3/default-GM.sf3");

    EXPECT_EQ(FindSoundFont("", sounds.Path()).path, sounds.Path() / "sf3/default-GM.sf3");
}

TEST(SoundFontSearch, NamedFileWinsOverTheSystemOnes) {
    TempFolder sounds;
    sounds.Write("sf2/default-GM.sf2");
    TempFolder mine;
    const fs::path named = mine.Write("My Piano.sf2");

    const SoundFontChoice choice = FindSoundFont(named.string(), sounds.Path());
    EXPECT_EQ(choice.path, named);
    EXPECT_EQ(choice.notice, "");
}

TEST(SoundFontSearch, MissingNamedFileFallsBackAndSaysSo) {
    TempFolder sounds;
    const fs::path system = sounds.Write("sf2/default-GM.sf2");

    const SoundFontChoice choice = FindSoundFont("/no/such/Concert.sf2", sounds.Path());
    EXPECT_EQ(choice.path, system);
    EXPECT_EQ(choice.notice, "The SoundFont /no/such/Concert.sf2 was not found; using " +
                                 system.string() + " instead.");
}

TEST(SoundFontSearch, NothingFoundGivesAnEmptyPath) {
    TempFolder sounds;
    sounds.Write("alsa/beep.wav");
    EXPECT_TRUE(FindSoundFont("", sounds.Path()).path.empty());
    EXPECT_TRUE(FindSoundFont("", sounds.Path() / "not-there").path.empty());

    const SoundFontChoice choice = FindSoundFont("/no/such/Concert.sf2", sounds.Path());
    EXPECT_TRUE(choice.path.empty());
    EXPECT_EQ(choice.notice, "The SoundFont /no/such/Concert.sf2 was not found.");
}

}  // namespace
}  // namespace ostinel::platform
