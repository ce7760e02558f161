// Opening a piece by its path.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sequence/piece.h"
#include "smf_builder.h"

namespace ostinel {
namespace {

class PieceOpen : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("ostinel-open-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string WritePiece(const std::string& name) {
        smf::FileBuilder file(1, 480);
        file.AddTrack().EndOfTrack();
        file.AddTrack().NoteOn(0, 0, 60, 100).EndOfTrack();
        const std::string path = (folder_ / name).string();
        EXPECT_TRUE(file.WriteFile(path));
        return path;
    }

    std::filesystem::path folder_;
};

TEST_F(PieceOpen, KeepsThePathAndTheTitleWithoutFolderAndExtension) {
    const std::string path = WritePiece("Sonata No.2.mid");
    Piece piece;
    ASSERT_EQ(OpenPiece(path, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.path, path);
    EXPECT_EQ(piece.title, "Sonata No.2");
    EXPECT_TRUE(piece.loaded);
}

TEST_F(PieceOpen, MissingFileIsNotFoundAndTheOldPieceIsGone) {
    Piece piece;
    ASSERT_EQ(OpenPiece(WritePiece("first.mid"), piece), LoadResult::Loaded);
    EXPECT_EQ(OpenPiece((folder_ / "missing.mid").string(), piece), LoadResult::NotFound);
    EXPECT_FALSE(piece.loaded);
    EXPECT_TRUE(piece.tracks.empty());
    EXPECT_TRUE(piece.path.empty());
}

TEST_F(PieceOpen, FolderCannotBeReadAsAFile) {
    Piece piece;
    EXPECT_EQ(OpenPiece(folder_.string(), piece), LoadResult::ReadFailed);
}

TEST_F(PieceOpen, DemoPieceOfTheRepositoryLoads) {
    const std::string demo = std::string(OSTINEL_SOURCE_DIR) + "/examples/demo.mid";
    if (!std::filesystem::exists(demo)) GTEST_SKIP() << "no demo piece made yet";
    Piece piece;
    ASSERT_EQ(OpenPiece(demo, piece), LoadResult::Loaded);
    EXPECT_GT(piece.TrackCount(), 0);
    EXPECT_GT(piece.length, 0u);
}

}  // namespace
}  // namespace ostinel
