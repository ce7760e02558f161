#include "playback/transport_menu_state.h"

namespace ostinel {
namespace {

LitButton LitButtonOf(const TransportMode& mode) {
    if (mode.previewing) return LitButton::Preview;
    if (mode.following) return LitButton::PlayAndFollow;
    if (mode.playingFile) return LitButton::PlayFile;
    if (mode.playingPerformance) return LitButton::PlayPerformance;
    if (mode.fastForward) return LitButton::FastForward;
    if (mode.rewinding) return LitButton::Rewind;
    return LitButton::None;
}

TransportMenuState PlayingState(const MenuStateFacts& facts) {
    const TransportMode& mode = facts.mode;
    TransportMenuState state;
    // Another mode may start at once: it stops the running one first.
    state.playAndFollow = !mode.following;
    state.playFile = !mode.playingFile;
    state.playPerformance = facts.performanceExists && !mode.playingPerformance;
    state.fastForward = !mode.fastForward;
    state.rewind = !mode.rewinding;
    state.stop = true;
    state.preview = true;
    state.jumpTo = true;
    state.jumpAhead = true;
    state.jumpBack = true;
    state.jumpAgain = true;
    state.resetVolume = facts.volumesChanged;
    state.lit = LitButtonOf(mode);
    return state;
}

TransportMenuState StoppedState(const MenuStateFacts& facts) {
    TransportMenuState state;
    const bool mayPlay = facts.beforeEnd || facts.loopMode;
    state.playAndFollow = mayPlay;
    state.playFile = mayPlay;
    state.playPerformance = mayPlay && facts.performanceExists;
    state.fastForward = facts.beforeEnd;
    state.preview = facts.beforeEnd;
    state.jumpAhead = facts.beforeEnd;
    state.rewind = facts.afterStart;
    state.jumpBack = facts.afterStart;
    state.stop = facts.loopRestartPending;
    state.jumpTo = true;
    state.jumpAgain = true;
    state.resetVolume = facts.volumesChanged;
    state.allNotesOff = true;
    state.midiReset = true;
    state.settingsEditable = true;
    state.savePerformance = facts.performanceExists;
    return state;
}

}  // namespace

TransportMenuState MenuStateFor(const MenuStateFacts& facts) {
    return facts.mode.playing ? PlayingState(facts) : StoppedState(facts);
}

void SetRequestAvailability(const TransportMenuState& state, TransportAvailability& available) {
    available.SetAvailable(TransportRequest::PlayAndFollow, state.playAndFollow);
    available.SetAvailable(TransportRequest::PlayFile, state.playFile);
    available.SetAvailable(TransportRequest::PlayPerformance, state.playPerformance);
    available.SetAvailable(TransportRequest::FastForward, state.fastForward);
    available.SetAvailable(TransportRequest::Rewind, state.rewind);
    available.SetAvailable(TransportRequest::Stop, state.stop);
    available.SetAvailable(TransportRequest::Preview, state.preview);
    available.SetAvailable(TransportRequest::JumpAhead, state.jumpAhead);
    available.SetAvailable(TransportRequest::JumpBack, state.jumpBack);
    available.SetAvailable(TransportRequest::JumpAgain, state.jumpAgain);
    // While playing, the loop toggle is refused together with All Notes Off.
    available.SetAvailable(TransportRequest::Metronome, true);
    available.SetAvailable(TransportRequest::LoopMode, state.allNotesOff);
    available.SetAvailable(TransportRequest::AllNotesOff, state.allNotesOff);
}

}  // namespace ostinel
