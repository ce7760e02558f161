// The byte framing every MIDI file writer and reader shares: variable-length
// numbers both ways, and the track chunk's delta times and running status.

#include "sequence/smf_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ostinel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct VariableLengthCase {
    std::uint32_t value;
    Bytes bytes;
};

class VariableLength : public ::testing::TestWithParam<VariableLengthCase> {};

TEST_P(VariableLength, EncodesAndDecodesBothWays) {
    const VariableLengthCase& c = GetParam();
    Bytes encoded{0xAA};  // appended after what is there
    AppendVariableLength(encoded, c.value);
    EXPECT_EQ(Bytes(encoded.begin() + 1, encoded.end()), c.bytes);

    Bytes file = c.bytes;
    file.push_back(0x90);  // the next event's first byte is not part of it
    std::size_t at = 0;
    EXPECT_EQ(DecodeVariableLength(file, at), c.value);
    EXPECT_EQ(at, c.bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    OneToFourBytes, VariableLength,
    ::testing::Values(VariableLengthCase{0, {0x00}}, VariableLengthCase{127, {0x7F}},
                      VariableLengthCase{128, {0x81, 0x00}},
                      VariableLengthCase{16383, {0xFF, 0x7F}},
                      VariableLengthCase{16384, {0x81, 0x80, 0x00}},
                      VariableLengthCase{2097151, {0xFF, 0xFF, 0x7F}},
                      VariableLengthCase{2097152, {0x81, 0x80, 0x80, 0x00}},
                      VariableLengthCase{0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}}));

TEST(VariableLengthDecoding, ANumberCutShortOrLongerThanFourBytesIsNone) {
    std::size_t at = 1;
    EXPECT_FALSE(DecodeVariableLength(Bytes{0x00, 0x81, 0x80}, at).has_value());
    EXPECT_EQ(at, 1u);
    at = 0;
    EXPECT_FALSE(DecodeVariableLength(Bytes{0x81, 0x80, 0x80, 0x80, 0x00}, at).has_value());
    EXPECT_EQ(at, 0u);
    EXPECT_FALSE(DecodeVariableLength(Bytes{}, at).has_value());
}

TEST(VariableLengthDecoding, AStreamReaderTakesByteByByte) {
    std::uint32_t value = 0;
    EXPECT_TRUE(TakeVariableLengthByte(value, 0x81));
    EXPECT_TRUE(TakeVariableLengthByte(value, 0x80));
    EXPECT_FALSE(TakeVariableLengthByte(value, 0x00));
    EXPECT_EQ(value, 16384u);
}

TEST(HeaderChunk, HoldsFormatTrackCountAndDivisionBigEndian) {
    EXPECT_EQ(HeaderChunk(1, 0x0102, 480),
              (Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0x01, 0x02, 0x01, 0xE0}));
}

TEST(TrackChunkWriter, RunningStatusLeavesOutARepeatedStatusUntilAMetaEvent) {
    Bytes out;
    TrackChunkWriter chunk(out, RunningStatus::On);
    chunk.Channel(0, Bytes{0x90, 60, 100});
    chunk.Channel(10, Bytes{0x90, 60, 0});
    chunk.Meta(10, 0x01, Bytes{'a'});
    chunk.Channel(10, Bytes{0x90, 62, 100});
    chunk.End();
    const Bytes expected{
        'M',  'T',  'r',  'k',  0,   0, 0, 20,  //
        0x00, 0x90, 60,   100,                  //
        0x0A, 60,   0,                          // the status is running
        0x00, 0xFF, 0x01, 0x01, 'a',            //
        0x00, 0x90, 62,   100,                  // given again after the meta event
        0x00, 0xFF, 0x2F, 0x00,                 //
    };
    EXPECT_EQ(out, expected);
}

TEST(TrackChunkWriter, WithoutRunningStatusEveryMessageHasItsStatus) {
    Bytes out;
    TrackChunkWriter chunk(out, RunningStatus::Off);
    chunk.Channel(0, Bytes{0xC0, 5});
    chunk.Channel(0, Bytes{0xC0, 0x86});  // a data byte keeps its 7 bits
    chunk.End();
    EXPECT_EQ(out, (Bytes{'M', 'T', 'r', 'k', 0, 0, 0, 10, 0x00, 0xC0, 5, 0x00, 0xC0, 6, 0x00, 0xFF,
                          0x2F, 0x00}));
}

TEST(TrackChunkWriter, AnEventNeverGoesBackNorPastTheLargestTick) {
    Bytes out;
    TrackChunkWriter chunk(out, RunningStatus::Off);
    chunk.SysEx(100, Bytes{0x7E, 0xF7});
    chunk.Escape(50, Bytes{0xF8});
    chunk.Escape(0xFFFFFFFF, Bytes{0xFC});
    EXPECT_EQ(chunk.Tick(), kMaxMidiFileTick);
    chunk.End();
    const Bytes expected{
        'M',  'T',  'r',  'k',  0,    0,    0,    20,  //
        0x64, 0xF0, 0x02, 0x7E, 0xF7,                  // tick 100
        0x00, 0xF7, 0x01, 0xF8,                        // 50 is taken as 100
        0xFF, 0xFF, 0xFF, 0x1B, 0xF7, 0x01, 0xFC,      // up to 0x0FFFFFFF
        0x00, 0xFF, 0x2F, 0x00,                        //
    };
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace ostinel
