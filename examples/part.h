#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "smf_builder.h"

namespace ostinel::demo {

// One track of the demo piece, gathered as timed events so that each part can be written in
// whatever order reads best and still reach the file in time order.
class Part {
  public:
    explicit Part(int channel = 0) : channel_(channel) {}

    void Name(std::string_view name);
    // Program, volume (CC7), pan (CC10) and a little reverb (CC91), at the start.
    void Setup(int program, int volume, int pan, int reverb);
    void Note(std::uint32_t tick, int key, int velocity, std::uint32_t lengthTicks);

    void Tempo(std::uint32_t tick, double beatsPerMinute);
    void Meter(std::uint32_t tick, int numerator, int denominatorPower);
    void Key(std::uint32_t tick, int sharpsOrFlats, bool minor);

    // Writes the events in time order and the end of track at `endTick`. Returns false, with
    // the reason in `error`, when a note starts while the same key still sounds, a note has no
    // length, or an event lies past the end.
    bool WriteTo(smf::TrackBuilder& track, std::uint32_t endTick, std::string& error) const;

  private:
    // Order within one tick: names and maps, then setup, then releases before new notes, so
    // that a key struck again at the tick its previous note ends is released first.
    enum class Rank { kMeta, kSetup, kNoteOff, kNoteOn };
    using Writer = std::function<void(smf::TrackBuilder&, std::uint32_t delta)>;
    struct Event {
        std::uint32_t tick;
        Rank rank;
        int key;  // for notes, -1 otherwise
        Writer write;
    };

    void Add(std::uint32_t tick, Rank rank, int key, Writer write);

    int channel_;
    std::vector<Event> events_;
    std::string faults_;
};

}  // namespace ostinel::demo
