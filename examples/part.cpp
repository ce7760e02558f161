#include "part.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ostinel::demo {

void Part::Add(std::uint32_t tick, Rank rank, int key, Writer write) {
    events_.push_back({tick, rank, key, std::move(write)});
}

void Part::Name(std::string_view name) {
    Add(0, Rank::kMeta, -1, [text = std::string(name)](smf::TrackBuilder& t, std::uint32_t d) {
        t.TrackName(d, text);
    });
}

void Part::Setup(int program, int volume, int pan, int reverb) {
    const int ch = channel_;
    Add(0, Rank::kSetup, -1,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.ProgramChange(d, ch, program); });
    Add(0, Rank::kSetup, -1,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.Controller(d, ch, 7, volume); });
    Add(0, Rank::kSetup, -1,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.Controller(d, ch, 10, pan); });
    Add(0, Rank::kSetup, -1,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.Controller(d, ch, 91, reverb); });
}

void Part::Note(std::uint32_t tick, int key, int velocity, std::uint32_t lengthTicks) {
    if (key < 0 || key > 127 || velocity < 1 || velocity > 127 || lengthTicks == 0) {
        faults_ += "bad note " + std::to_string(key) + " at tick " + std::to_string(tick) + "\n";
        return;
    }
    const int ch = channel_;
    Add(tick, Rank::kNoteOn, key,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.NoteOn(d, ch, key, velocity); });
    Add(tick + lengthTicks, Rank::kNoteOff, key,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.NoteOff(d, ch, key); });
}

void Part::Tempo(std::uint32_t tick, double beatsPerMinute) {
    Add(tick, Rank::kMeta, -1,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.Bpm(d, beatsPerMinute); });
}

void Part::Meter(std::uint32_t tick, int numerator, int denominatorPower) {
    Add(tick, Rank::kMeta, -1, [=](smf::TrackBuilder& t, std::uint32_t d) {
        t.TimeSignature(d, numerator, denominatorPower);
    });
}

void Part::Key(std::uint32_t tick, int sharpsOrFlats, bool minor) {
    Add(tick, Rank::kMeta, -1,
        [=](smf::TrackBuilder& t, std::uint32_t d) { t.KeySignature(d, sharpsOrFlats, minor); });
}

bool Part::WriteTo(smf::TrackBuilder& track, std::uint32_t endTick, std::string& error) const {
    if (!faults_.empty()) {
        error = faults_;
        return false;
    }
    std::vector<const Event*> order;
    order.reserve(events_.size());
    for (const Event& event : events_)
        order.push_back(&event);
    std::stable_sort(order.begin(), order.end(), [](const Event* a, const Event* b) {
        return a->tick != b->tick ? a->tick < b->tick : a->rank < b->rank;
    });

    std::array<int, 128> sounding{};
    std::uint32_t now = 0;
    for (const Event* event : order) {
        const std::string where =
            " (key " + std::to_string(event->key) + ", tick " + std::to_string(event->tick) + ")";
        if (event->tick > endTick) {
            error = "an event lies past the end" + where;
            return false;
        }
        if (event->rank == Rank::kNoteOn && sounding[static_cast<std::size_t>(event->key)]++ > 0) {
            error = "a note starts while the same key still sounds" + where;
            return false;
        }
        if (event->rank == Rank::kNoteOff) --sounding[static_cast<std::size_t>(event->key)];
        event->write(track, event->tick - now);
        now = event->tick;
    }
    track.EndOfTrack(endTick - now);
    return true;
}

}  // namespace ostinel::demo
