#include "app/engine.h"

#include <new>

namespace ostinel {

Engine::Engine(const platform::Clock& clock, platform::TimerService& timers,
               platform::MidiSystem& midi, TransportUi& ui)
    : timers_(timers),
      ui_(ui),
      ports_(midi),
      output_(ports_, timers),
      tick_(clock, timers, output_, requests_),
      transport_(clock, timers, output_, tick_, requests_, availability_, ui),
      pieceSysex_(output_, clock) {}

Engine::~Engine() {
    transport_.UsePiece(nullptr);
    if (piece_) pieceSysex_.SendClosingSysex(*piece_);
    pieceSysex_.FinishSysex(timers_);
    timers_.CancelAll();
    ports_.CloseAllDevices();
}

bool Engine::OpenOutputPorts() {
    return ports_.OpenOutputPorts(ui_);
}

LoadResult Engine::OpenPiece(const std::string& path) {
    std::unique_ptr<Piece> opened(new (std::nothrow) Piece);
    if (!opened) return LoadResult::OutOfMemory;
    const LoadResult result = ostinel::OpenPiece(path, *opened);
    if (result != LoadResult::Loaded) return result;
    transport_.UsePiece(nullptr);
    if (piece_) pieceSysex_.SendClosingSysex(*piece_);
    piece_ = std::move(opened);
    pieceSysex_.SendLeadingSysex(*piece_);
    transport_.UsePiece(piece_.get());
    return result;
}

void Engine::IdlePass() {
    transport_.IdleStep();
    if (pieceSysex_.SysexPending()) pieceSysex_.SendDueSysex();
    DrainRequests();
}

bool Engine::NeedsIdlePass() const {
    return transport_.NeedsIdlePass() || pieceSysex_.SysexPending();
}

void Engine::DrainRequests() {
    for (std::int16_t code = requests_.TakeRequest(); code != -1; code = requests_.TakeRequest()) {
        if (!availability_.ShouldCarryOut(code)) continue;
        if (const auto request = TransportRequestFromCode(code)) transport_.CarryOut(*request);
    }
}

}  // namespace ostinel
