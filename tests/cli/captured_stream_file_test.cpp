#include "cli/captured_stream_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "sequence/piece.h"
#include "support/test_folder.h"

namespace ostinel::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPortA = 0;
constexpr int kPortB = 1;

// The bodies of a file's track chunks, in file order.
std::vector<Bytes> TrackChunks(const Bytes& file) {
    std::vector<Bytes> chunks;
    std::size_t at = 14;  // past the header chunk
    while (at + 8 <= file.size()) {
        const std::size_t length = (std::size_t{file[at + 4]} << 24) |
                                   (std::size_t{file[at + 5]} << 16) |
                                   (std::size_t{file[at + 6]} << 8) | file[at + 7];
        const auto body = file.begin() + static_cast<std::ptrdiff_t>(at + 8);
        chunks.emplace_back(body, body + static_cast<std::ptrdiff_t>(length));
        at += 8 + length;
    }
    return chunks;
}

// The name meta that follows the port meta at the start of a port's track.
std::string NameOf(const Bytes& chunk) {
    constexpr std::size_t kNameLength = 5 + 3;  // port meta, then delta, FF, 03
    if (chunk.size() <= kNameLength) return {};
    const auto name = chunk.begin() + kNameLength + 1;
    return std::string(name, name + chunk[kNameLength]);
}

Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

const Track* FindTrack(const Piece& piece, const std::string& name) {
    for (int i = 0; i < piece.TrackCount(); ++i) {
        if (piece.tracks[static_cast<std::size_t>(i)].name == name) {
            return &piece.tracks[static_cast<std::size_t>(i)];
        }
    }
    return nullptr;
}

// Two ports arriving interleaved, as a render captures them.
std::vector<PortMessage> TwoPortStream() {
    return {
        {kPortA, 0, {0x90, 60, 100}},                        // A, channel 1
        {kPortB, 0, {0x91, 64, 80}},                         // B, channel 2
        {kPortA, 0, {0x99, 36, 127}},                        // A, channel 10
        {kPortA, 1, {0x89, 36, 64}},                         //
        {kPortB, 20, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},  // B, system
        {kPortB, 250, {0xB1, 7, 100}},                       //
        {kPortA, 499, {0x90, 62, 90}},                       //
        {kPortA, 500, {0x80, 60, 64}},                       //
        {kPortB, 500, {0x81, 64, 0}},                        //
        {kPortB, 501, {0x91, 67, 0}},                        // note-on of velocity 0
        {kPortA, 3600000, {0x80, 62, 64}},                   // an hour in
    };
}

class CapturedStreamFile : public ::testing::Test {
  protected:
    testing::TestFolder folder_{"ostinel-capture"};
    const fs::path& dir_ = folder_.Path();
};

TEST_F(CapturedStreamFile, EveryMessageReadsBackAtItsMillisecondOnItsPortAndChannel) {
    const std::string path = (dir_ / "OUT.mid").string();
    std::string error;
    ASSERT_TRUE(WriteCapturedStream(TwoPortStream(), "Nocturne", path, error)) << error;

    Piece piece;
    ASSERT_EQ(OpenPiece(path, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.format, 1);
    EXPECT_EQ(piece.division, 500);
    ASSERT_EQ(piece.TrackCount(), 3);
    EXPECT_EQ(piece.tracks[0].name, "Port A, channel 1");
    EXPECT_EQ(piece.tracks[1].name, "Port A, channel 10");
    EXPECT_EQ(piece.tracks[2].name, "Port B, channel 2");

    const Track* melody = FindTrack(piece, "Port A, channel 1");
    ASSERT_NE(melody, nullptr);
    EXPECT_EQ(melody->fileChannel, 0);
    EXPECT_EQ(melody->filePort, kPortA);
    ASSERT_EQ(melody->events.size(), 4u);
    EXPECT_EQ(melody->events[0].time, 0u);
    EXPECT_EQ(melody->events[0].kind, kNoteOn);
    EXPECT_EQ(melody->events[0].data1, 60);
    EXPECT_EQ(melody->events[0].data2, 100);
    EXPECT_EQ(melody->events[1].time, 499u);
    EXPECT_EQ(melody->events[1].kind, kNoteOn);
    EXPECT_EQ(melody->events[1].data1, 62);
    EXPECT_EQ(melody->events[2].time, 500u);
    EXPECT_EQ(melody->events[2].kind, kNoteOff);
    EXPECT_EQ(melody->events[2].data1, 60);
    EXPECT_EQ(melody->events[2].data2, 64);
    EXPECT_EQ(melody->events[3].time, 3600000u);
    EXPECT_EQ(melody->events[3].kind, kNoteOff);
    EXPECT_EQ(melody->events[3].data1, 62);

    const Track* drums = FindTrack(piece, "Port A, channel 10");
    ASSERT_NE(drums, nullptr);
    EXPECT_EQ(drums->fileChannel, 9);
    EXPECT_EQ(drums->filePort, kPortA);
    ASSERT_EQ(drums->events.size(), 2u);
    EXPECT_EQ(drums->events[0].time, 0u);
    EXPECT_EQ(drums->events[0].kind, kNoteOn);
    EXPECT_EQ(drums->events[1].time, 1u);
    EXPECT_EQ(drums->events[1].kind, kNoteOff);
    EXPECT_EQ(drums->events[1].data1, 36);

    const Track* bass = FindTrack(piece, "Port B, channel 2");
    ASSERT_NE(bass, nullptr);
    EXPECT_EQ(bass->fileChannel, 1);
    EXPECT_EQ(bass->filePort, kPortB);
    ASSERT_EQ(bass->events.size(), 4u);
    EXPECT_EQ(bass->events[0].time, 0u);
    EXPECT_EQ(bass->events[0].kind, kNoteOn);
    EXPECT_EQ(bass->events[1].time, 250u);
    EXPECT_EQ(bass->events[1].kind, kControlChange);
    EXPECT_EQ(bass->events[1].data1, 7);
    EXPECT_EQ(bass->events[1].data2, 100);
    EXPECT_EQ(bass->events[2].time, 500u);
    EXPECT_EQ(bass->events[2].kind, kNoteOff);
    EXPECT_EQ(bass->events[2].data2, 0);
    EXPECT_EQ(bass->events[3].time, 501u);
    EXPECT_EQ(bass->events[3].kind, kNoteOn);
    EXPECT_EQ(bass->events[3].data1, 67);
    EXPECT_EQ(bass->events[3].data2, 0);

    ASSERT_EQ(piece.sysExList.size(), 1u);
    EXPECT_EQ(piece.sysExList[0].time, 20u);
    // The piece keeps F0, the file's data with its own F7, and one more F7.
    EXPECT_EQ(piece.sysExBuffers[piece.sysExList[0].bufferIndex],
              (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0xF7}));
}

TEST_F(CapturedStreamFile, FolderThatDoesNotExistFailsWithAnError) {
    const std::string path = (dir_ / "missing" / "OUT.mid").string();
    std::string error;
    EXPECT_FALSE(WriteCapturedStream(TwoPortStream(), "Nocturne", path, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST(CapturedStreamBytes, EmptyStreamIsTheConductorTrackAlone) {
    const std::string title = "Nocturne";
    const Bytes expected = Joined({
        {'M', 'T', 'h', 'd', 0, 0, 0, 6},                  //
        {0, 1, 0, 1, 0x01, 0xF4},                          // format 1, one track, 500 a quarter
        {'M', 'T', 'r', 'k', 0, 0, 0, 31},                 //
        {0x00, 0xFF, 0x03, 0x08},                          // the title
        TextBytes(title),                                  //
        {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08},  // 4/4
        {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},        // 500 000 µs a quarter
        {0x00, 0xFF, 0x2F, 0x00},                          //
    });
    EXPECT_EQ(EncodeCapturedStream({}, title), expected);
}

TEST(CapturedStreamBytes, ChannelTracksByPortAndChannelThenSystemTracksByPort) {
    const std::vector<PortMessage> messages{
        {kPortB, 0, {0xF8}},         // B, system
        {kPortB, 0, {0x90, 60, 1}},  // B, channel 1
        {kPortA, 0, {0xFA}},         // A, system
        {7, 0, {0xCF, 3}},           // H, channel 16
        {kPortA, 0, {0x9F, 60, 1}},  // A, channel 16
        {kPortA, 0, {0x91, 60, 1}},  // A, channel 2
        {kPortB, 10, {0xF8}},        //
    };
    const std::vector<Bytes> chunks = TrackChunks(EncodeCapturedStream(messages, "Order"));
    ASSERT_EQ(chunks.size(), 7u);
    EXPECT_EQ(NameOf(chunks[1]), "Port A, channel 2");
    EXPECT_EQ(NameOf(chunks[2]), "Port A, channel 16");
    EXPECT_EQ(NameOf(chunks[3]), "Port B, channel 1");
    EXPECT_EQ(NameOf(chunks[4]), "Port H, channel 16");
    EXPECT_EQ(NameOf(chunks[5]), "Port A, system");
    EXPECT_EQ(NameOf(chunks[6]), "Port B, system");
    const std::uint8_t ports[] = {0, 0, 1, 7, 0, 1};
    for (std::size_t i = 1; i < chunks.size(); ++i) {
        ASSERT_GE(chunks[i].size(), 5u);
        EXPECT_EQ(Bytes(chunks[i].begin(), chunks[i].begin() + 5),
                  (Bytes{0x00, 0xFF, 0x21, 0x01, ports[i - 1]}))
            << "track " << i;
    }
}

TEST(CapturedStreamBytes, SystemTrackKeepsItsMessagesInOrderAsEscapes) {
    const std::vector<PortMessage> messages{
        {kPortA, 0, {0xF2, 0x08, 0x00}},  // song position
        {kPortA, 0, {0xFB}},              // continue
        {kPortA, 0, {0xF1, 0x00}},        // time code
        {kPortA, 0, {0xF8}},              //
        {kPortA, 20, {0xF8}},             //
        {kPortA, 40, {0xFC}},             //
    };
    const std::vector<Bytes> chunks = TrackChunks(EncodeCapturedStream(messages, "Sync"));
    ASSERT_EQ(chunks.size(), 2u);
    const std::string name = "Port A, system";
    const Bytes expected = Joined({
        {0x00, 0xFF, 0x21, 0x01, 0x00},                              // port A
        {0x00, 0xFF, 0x03, static_cast<std::uint8_t>(name.size())},  // the name
        TextBytes(name),                                             //
        {0x00, 0xF7, 0x03, 0xF2, 0x08, 0x00},                        //
        {0x00, 0xF7, 0x01, 0xFB},                                    //
        {0x00, 0xF7, 0x02, 0xF1, 0x00},                              //
        {0x00, 0xF7, 0x01, 0xF8},                                    //
        {0x14, 0xF7, 0x01, 0xF8},                                    // 20 ms later
        {0x14, 0xF7, 0x01, 0xFC},                                    //
        {0x00, 0xFF, 0x2F, 0x00},                                    //
    });
    EXPECT_EQ(chunks[1], expected);
}

TEST(CapturedStreamBytes, UnknownPortsAndBrokenMessagesAreLeftOut) {
    const std::vector<PortMessage> messages{
        {-2, 0, {0x90, 60, 1}},   //
        {8, 0, {0x90, 60, 1}},    //
        {kSoloistPort, 0, {}},    //
        {kPortA, 0, {}},          //
        {kPortA, 0, {0x90, 60}},  // a data byte short
        {kPortB, 0, {60, 1}},     // no status byte
    };
    EXPECT_EQ(TrackChunks(EncodeCapturedStream(messages, "Nothing")).size(), 1u);
}

TEST(CapturedStreamBytes, TheSoloistGetsATrackOfItsOwnAfterTheFirst) {
    const std::vector<PortMessage> messages{
        {kPortA, 0, {0x91, 48, 70}},
        {kSoloistPort, 5, {0x90, 60, 90}},
    };
    const auto chunks = TrackChunks(EncodeCapturedStream(messages, "Duet"));
    ASSERT_EQ(chunks.size(), 3u);
    // The name first, then the note 5 ms in.
    const Bytes soloist = Joined({{0x00, 0xFF, 0x03, 7},
                                  TextBytes("Soloist"),
                                  {0x05, 0x90, 60, 90},
                                  {0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(chunks[1], soloist);
}

}  // namespace
}  // namespace ostinel::cli
