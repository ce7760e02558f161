#include "app/engine.h"

#include <algorithm>
#include <new>
#include <utility>

#include "app/piece_file.h"
#include "follower/follower_handover.h"
#include "follower/intake/intake_settings.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {
namespace {

// Nothing the soloist plays while a piece loads is followed, recorded or
// obeyed as a remote command: only thru passes.
class InputBlockedWhileLoading {
  public:
    explicit InputBlockedWhileLoading(PerformanceIntake& intake) : intake_(intake) {
        intake_.SetInputBlocked(true);
    }
    ~InputBlockedWhileLoading() { intake_.SetInputBlocked(false); }
    InputBlockedWhileLoading(const InputBlockedWhileLoading&) = delete;
    InputBlockedWhileLoading& operator=(const InputBlockedWhileLoading&) = delete;

  private:
    PerformanceIntake& intake_;
};

}  // namespace

Engine::Engine(const platform::Clock& clock, platform::TimerService& timers,
               platform::MidiSystem& midi, TransportUi& ui)
    : timers_(timers),
      midi_(midi),
      ui_(ui),
      ports_(midi),
      output_(ports_, timers),
      tick_(clock, timers, output_, requests_),
      transport_(clock, timers, output_, tick_, requests_, availability_, ui),
      pieceSysex_(output_, clock),
      reports_(clock, tick_),
      remote_(requests_, transportStatus_),
      intake_(clock, timers, ports_, output_, remote_, followerReceiver_, transportStatus_, keys_) {
    // One second of score as the follower's time scale; room for 256 notes
    // arriving while it works.
    follower_.Create(reports_, 256, 1000);
    transport_.UseFollower(follower_, reports_, intakeListening_);
    // A jump or an automatic start: the intake listens for the soloist again.
    reports_.SetJumpListener(
        [](void* intake) {
            static_cast<PerformanceIntake*>(intake)->SetInputMode(InputMode::InputAwaitStart);
        },
        &intake_);
    HandFollowingOver();
}

Engine::~Engine() {
    transport_.UsePiece(nullptr);
    if (piece_) pieceSysex_.SendClosingSysex(*piece_);
    pieceSysex_.FinishSysex(timers_);
    ports_.CloseAllDevices();
    timers_.CancelAll();
}

bool Engine::OpenOutputPorts() {
    return ports_.OpenOutputPorts(ui_);
}

bool Engine::OpenInputPorts() {
    return ports_.OpenInputPorts(ui_, &PerformanceIntake::InputCallback, &intake_);
}

bool Engine::SetFollowingOptions(const FollowingOptions& options) {
    if (transport_.Mode().playing) return false;
    following_ = options;
    return HandFollowingOver();
}

bool Engine::SetSpecialMarkers(const SpecialMarkers& markers) {
    if (transport_.Mode().playing) return false;
    markers_ = markers;
    return HandFollowingOver();
}

void Engine::SetOutputSettings(const OutputSettings& settings) {
    output_.SetSettings(settings);
    intake_.SetSettings(MakeIntakeSettings(following_, output_.Settings(),
                                           transport_.Performance().playTappedNotes));
}

void Engine::SetPerformanceSettings(const PerformanceSettings& settings) {
    transport_.SetPerformanceSettings(settings);
    intake_.SetSettings(MakeIntakeSettings(following_, output_.Settings(),
                                           transport_.Performance().playTappedNotes));
}

bool Engine::HandFollowingOver() {
    transport_.SetFollowingOptions(following_);
    transport_.SetRehearsalPoints(RehearsalPointsForTransport(markers_));
    ignoreRanges_ = MergeIgnoreRanges(markers_.ignoreSoloist);
    reports_.SetVolumeLevel(following_.volumeFollowLevel);
    intake_.SetSettings(MakeIntakeSettings(following_, output_.Settings(),
                                           transport_.Performance().playTappedNotes));
    intake_.SetInputMode(IdleInputMode(following_));
    bool handed =
        HandOptionsToFollower(following_, follower_) && HandMarkersToFollower(markers_, follower_);
    HandSignalToFollower(remote_, follower_);
    if (!piece_) return handed;

    std::vector<std::uint32_t> beats;
    beats.reserve(piece_->beatMap.size());
    for (const BeatRecord& beat : piece_->beatMap)
        beats.push_back(beat.time | (beat.beat == 1 ? kDownbeatFlag : 0u));
    if (!following_.FollowsNotes()) return follower_.SetBeats(beats) && handed;
    const auto trackEvents = [this](int index) -> std::span<const TrackEvent> {
        if (index < 0 || index >= piece_->TrackCount()) return {};
        return piece_->tracks[static_cast<std::size_t>(index)].events;
    };
    const int first = following_.followTrack1;
    const int secondTrack = following_.SecondTrack();
    const bool inPiece =
        first < piece_->TrackCount() && (secondTrack < 0 || secondTrack < piece_->TrackCount());
    const auto second =
        secondTrack != first ? trackEvents(secondTrack) : std::span<const TrackEvent>{};
    return follower_.SetScore(trackEvents(first), second, beats) && handed && inPiece;
}

ScorePosition Engine::PublishedTransportStatus::SongPosition() const {
    return transport_.PublishedPosition();
}

RunningCommands Engine::PublishedTransportStatus::Running() const {
    const TransportMode mode = transport_.PublishedMode();
    return RunningCommands{mode.following, mode.playingFile, mode.playingPerformance,
                           mode.fastForward, mode.rewinding};
}

void Engine::IntakeListening::BeginFollowing(bool followerStarted) {
    engine_.recordingFullShown_ = false;
    engine_.intake_.PrepareFollowing(engine_.following_, followerStarted);
}

bool Engine::IntakeListening::HearsTheSoloist() const {
    const FollowingOptions& following = engine_.following_;
    if (following.followSource == FollowSource::TappedBeats &&
        (following.tapSource == TapSource::SpaceBar ||
         following.tapSource == TapSource::RightMouseButton))
        return true;
    for (int device = 0; device < kDeviceSlotCount; ++device)
        if (engine_.ports_.InputDeviceOwner(device) != kDeviceClosed) return true;
    return false;
}

void Engine::IntakeListening::EndFollowing(Track& performance) {
    engine_.intake_.LeaveFollowing(engine_.following_);
    engine_.intake_.Recording().MoveInto(performance);
}

LoadResult Engine::OpenPiece(const std::string& path) {
    const InputBlockedWhileLoading blocked(intake_);
    std::unique_ptr<Piece> opened(new (std::nothrow) Piece);
    if (!opened) return LoadResult::OutOfMemory;
    const LoadResult result =
        pieceReader_ ? pieceReader_(path, *opened) : OpenPieceFile(path, *opened);
    if (result != LoadResult::Loaded) return result;
    transport_.UsePiece(nullptr);
    if (piece_) pieceSysex_.SendClosingSysex(*piece_);
    piece_ = std::move(opened);
    pieceSysex_.SendLeadingSysex(*piece_);
    transport_.UsePiece(piece_.get());
    HandFollowingOver();
    return result;
}

void Engine::IdlePass() {
    transport_.IdleStep();
    StopAutomaticallyIfSilent();
    if (pieceSysex_.SysexPending()) pieceSysex_.SendDueSysex();
    DrainRequests();
    MakeRecordingRoom();
}

bool Engine::NeedsIdlePass() const {
    // Listening for an automatic start needs the pass too: the follower's
    // request to start arrives as a flag the pass turns into a request.
    return transport_.NeedsIdlePass() || pieceSysex_.SysexPending() || reports_.RestartPending() ||
           heldRequestCount_ > 0;
}

void Engine::StopAutomaticallyIfSilent() {
    if (!transport_.Mode().following || reports_.RestartPending()) return;
    AutoStopState state;
    state.followingActive = reports_.FollowingActive();
    state.speed = reports_.Speed();
    // Held at the soloist's next entry, the song position stops; the soloist
    // is overdue all the same.
    state.songPosition =
        std::max(transport_.Position(), std::min(follower_.DuePosition(), transport_.End()));
    state.furthestReached = reports_.Furthest();
    state.ignoreRanges = ignoreRanges_;
    const auto lastEvent = [this](ScorePosition position) {
        return follower_.LastEventAtOrBefore(position);
    };
    if (ShouldStopAutomatically(following_, state, lastEvent))
        requests_.PostRequest(TransportRequest::Stop);
}

void Engine::MakeRecordingRoom() {
    if (!transport_.Mode().following) return;
    if (intake_.Recording().MakeRoom() == PerformanceRecording::RoomResult::Failed &&
        !recordingFullShown_) {
        recordingFullShown_ = true;
        ui_.ShowMessage(StringTable().Get(string_id::kRecordingFull));
    }
}

void Engine::DrainRequests() {
    if (transport_.Mode().previewing) {
        HoldRequestsDuringPreview();
        return;
    }
    const std::size_t held = std::exchange(heldRequestCount_, 0);
    for (std::size_t i = 0; i < held; ++i)
        CarryOutRequest(heldRequests_[i]);
    for (std::int16_t code = requests_.TakeRequest(); code != -1; code = requests_.TakeRequest())
        CarryOutRequest(code);
}

void Engine::HoldRequestsDuringPreview() {
    for (std::int16_t code = requests_.TakeRequest(); code != -1; code = requests_.TakeRequest()) {
        if (code == static_cast<std::int16_t>(TransportRequest::Stop)) continue;
        // Full: the oldest gives way, as in the queue itself.
        if (heldRequestCount_ == heldRequests_.size()) {
            std::move(heldRequests_.begin() + 1, heldRequests_.end(), heldRequests_.begin());
            --heldRequestCount_;
        }
        heldRequests_[heldRequestCount_++] = code;
    }
}

void Engine::CarryOutRequest(std::int16_t code) {
    if (!availability_.ShouldCarryOut(code)) return;
    if (const auto request = TransportRequestFromCode(code)) transport_.CarryOut(*request);
}

}  // namespace ostinel
