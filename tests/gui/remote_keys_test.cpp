#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "app/command_ids.h"
#include "desktop_fixture.h"
#include "follower/remote_table.h"
#include "support/test_folder.h"

namespace ostinel::testing {
namespace {

class RemoteKeysTest : public DesktopTest {
  protected:
    static constexpr std::uint8_t kPlayFileKey = 100;

    void SetUp() override {
        DesktopTest::SetUp();
        engine_.Ports().SetInputDevice(0, 0);
        engine_.OpenInputPorts();
        RemoteTable table = DefaultRemoteTable();
        table[static_cast<std::size_t>(TransportRequest::PlayFile)] = NoteBinding(kPlayFileKey);
        engine_.Remote().SetTable(table);
    }

    void PressPlayFileKey() {
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x90, kPlayFileKey, 90}, clock_.Now());
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x80, kPlayFileKey, 0}, clock_.Now());
    }

    static std::vector<char> DemoBytes() {
        std::ifstream in(std::string(OSTINEL_SOURCE_DIR) + "/examples/demo.mid", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(RemoteKeysTest, AKeyPlayedWhileAPieceLoadsFiresNoRemoteCommand) {
    // Outside a load the key starts the piece.
    PressPlayFileKey();
    engine_.IdlePass();
    ASSERT_TRUE(GetTransport().Mode().playingFile);
    Click(Area().ElementCenter(views::element::kStop));
    ASSERT_FALSE(GetTransport().Mode().playing);

    // The piece comes through a pipe, so that the key is played while the
    // reader waits for the file's bytes.
    TestFolder folder("ostinel-open-blocked");
    const std::string pipe = (folder / "arriving.mid").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::vector<char> bytes = DemoBytes();
    std::thread sender([&] {
        std::FILE* out = std::fopen(pipe.c_str(), "wb");  // waits for the reader
        PressPlayFileKey();
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    });
    const LoadResult result = window_.OpenFile(pipe);
    sender.join();
    ASSERT_EQ(result, LoadResult::Loaded);
    engine_.IdlePass();
    EXPECT_FALSE(GetTransport().Mode().playing);

    // After the load the key is heard again.
    PressPlayFileKey();
    engine_.IdlePass();
    EXPECT_TRUE(GetTransport().Mode().playingFile);
}

TEST_F(RemoteKeysTest, AStartFromTheKeysDuringPreviewIsTakenWhenThePreviewEnds) {
    ASSERT_TRUE(window_.DispatchCommand(command::kPreview));
    ASSERT_TRUE(GetTransport().Mode().previewing);
    RunFor(1000);
    PressPlayFileKey();
    RunFor(1000);
    EXPECT_TRUE(GetTransport().Mode().previewing);
    RunFor(2100);
    EXPECT_FALSE(GetTransport().Mode().previewing);
    EXPECT_TRUE(GetTransport().Mode().playingFile);
    // From where the preview began.
    EXPECT_EQ(GetTransport().History().Front(), ScorePosition{});
}

}  // namespace
}  // namespace ostinel::testing
