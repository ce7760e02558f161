#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "playback/transport.h"
#include "playback/transport_availability.h"
#include "playback/transport_ui.h"
#include "playback_test_rig.h"
#include "support/sounding_notes.h"

namespace ostinel::testing {

// Counts what the transport asked the front end to draw again.
class CountingTransportUi final : public TransportUi {
  public:
    void ShowMessage(std::string_view /*text*/) override {}
    bool ConfirmMessage(std::string_view /*text*/) override {
        ++confirmations;
        return confirmAnswer;
    }
    void PositionChanged() override { ++positionRedraws; }
    void MenuStateChanged() override { ++menuRedraws; }
    void FlashButton(FlashButtonTarget button) override { flashed.push_back(button); }

    bool confirmAnswer = true;
    int confirmations = 0;
    int positionRedraws = 0;
    int menuRedraws = 0;
    std::vector<FlashButtonTarget> flashed;
};

// The tick rig with a transport on top, and the idle pass as the engine runs it.
struct TransportRig : TickRig {
    void Use(Piece played) {
        piece = std::move(played);
        piece.length = piece.lastEventTime + 1;
        transport.UsePiece(&piece);
    }

    // One idle pass: the transport's steps, then the queued requests.
    void IdlePass() {
        transport.IdleStep();
        for (std::int16_t code = requests.TakeRequest(); code != -1; code = requests.TakeRequest())
            if (availability.ShouldCarryOut(code))
                transport.CarryOut(*TransportRequestFromCode(code));
    }

    // Runs the clock on in idle-pass steps of `stepMs`, as the program's loop would.
    void RunFor(std::uint32_t ms, std::uint32_t stepMs = 5) {
        for (std::uint32_t done = 0; done < ms; done += stepMs) {
            timers.Advance(stepMs);
            IdlePass();
        }
    }

    CountingTransportUi transportUi;
    TransportAvailability availability;
    Transport transport{clock, timers, output, tick, requests, availability, transportUi};
};

}  // namespace ostinel::testing
