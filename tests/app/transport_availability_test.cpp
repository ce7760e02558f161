#include "playback/transport_availability.h"
#include "playback/transport_ui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "music/transport_request.h"

namespace ostinel {
namespace {

TEST(TransportRequestAvailability, EveryFlagStartsClear) {
    const TransportAvailability availability;
    for (int code = 0; code < kTransportRequestCount; ++code) {
        EXPECT_FALSE(availability.IsAvailable(static_cast<TransportRequest>(code))) << code;
    }
}

TEST(TransportRequestAvailability, FlagsAreSetAndClearedOneByOne) {
    TransportAvailability availability;
    availability.SetAvailable(TransportRequest::PlayFile, true);
    availability.SetAvailable(TransportRequest::LoopMode, true);
    for (int code = 0; code < kTransportRequestCount; ++code) {
        const bool expected = code == 1 || code == 11;
        EXPECT_EQ(availability.IsAvailable(static_cast<TransportRequest>(code)), expected) << code;
    }
    availability.SetAvailable(TransportRequest::PlayFile, false);
    EXPECT_FALSE(availability.IsAvailable(TransportRequest::PlayFile));
    EXPECT_TRUE(availability.IsAvailable(TransportRequest::LoopMode));
}

TEST(TransportRequestAvailability, UnavailableCodesAreDroppedButStopAlwaysRuns) {
    TransportAvailability availability;
    for (std::int16_t code = 0; code < kTransportRequestCount; ++code) {
        EXPECT_EQ(availability.ShouldCarryOut(code), code == 5) << code;
    }
    availability.SetAvailable(TransportRequest::Stop, false);
    EXPECT_TRUE(availability.ShouldCarryOut(5));

    availability.SetAvailable(TransportRequest::FastForward, true);
    EXPECT_TRUE(availability.ShouldCarryOut(3));
    availability.SetAvailable(TransportRequest::FastForward, false);
    EXPECT_FALSE(availability.ShouldCarryOut(3));
}

TEST(TransportRequestAvailability, NothingButARequestCodeIsCarriedOut) {
    TransportAvailability availability;
    for (int code = 0; code < kTransportRequestCount; ++code) {
        availability.SetAvailable(static_cast<TransportRequest>(code), true);
    }
    EXPECT_FALSE(availability.ShouldCarryOut(-1));
    EXPECT_FALSE(availability.ShouldCarryOut(13));
    EXPECT_TRUE(availability.ShouldCarryOut(12));
}

TEST(TransportRequestCodes, KeepTheirStoredNumbers) {
    EXPECT_EQ(TransportRequestCode(TransportRequest::PlayAndFollow), 0);
    EXPECT_EQ(TransportRequestCode(TransportRequest::Rewind), 4);
    EXPECT_EQ(TransportRequestCode(TransportRequest::Stop), 5);
    EXPECT_EQ(TransportRequestCode(TransportRequest::Preview), 6);
    EXPECT_EQ(TransportRequestCode(TransportRequest::JumpAgain), 9);
    EXPECT_EQ(TransportRequestCode(TransportRequest::AllNotesOff), 12);
    EXPECT_EQ(TransportRequestFromCode(10), TransportRequest::Metronome);
    EXPECT_EQ(TransportRequestFromCode(13), std::nullopt);
    EXPECT_EQ(TransportRequestFromCode(-1), std::nullopt);
}

TEST(TransportRequestCodes, FlashTheirTransportButtons) {
    using T = TransportRequest;
    EXPECT_EQ(FlashButtonAfter(T::PlayAndFollow), (FlashButtonTarget{1, 5}));
    EXPECT_EQ(FlashButtonAfter(T::PlayFile), (FlashButtonTarget{1, 6}));
    EXPECT_EQ(FlashButtonAfter(T::PlayPerformance), (FlashButtonTarget{1, 7}));
    EXPECT_EQ(FlashButtonAfter(T::FastForward), (FlashButtonTarget{1, 9}));
    EXPECT_EQ(FlashButtonAfter(T::Rewind), (FlashButtonTarget{1, 3}));
    EXPECT_EQ(FlashButtonAfter(T::Stop), (FlashButtonTarget{1, 4}));
    EXPECT_EQ(FlashButtonAfter(T::Preview), (FlashButtonTarget{1, 8}));
    EXPECT_EQ(FlashButtonAfter(T::JumpAhead), std::nullopt);
    EXPECT_EQ(FlashButtonAfter(T::JumpBack), std::nullopt);
    EXPECT_EQ(FlashButtonAfter(T::JumpAgain), std::nullopt);
    EXPECT_EQ(FlashButtonAfter(T::Metronome), (FlashButtonTarget{3, 34}));
    EXPECT_EQ(FlashButtonAfter(T::LoopMode), (FlashButtonTarget{2, 13}));
    EXPECT_EQ(FlashButtonAfter(T::AllNotesOff), std::nullopt);
}

}  // namespace
}  // namespace ostinel
