#pragma once

#include <atomic>

namespace ostinel::platform {

// The two computer keys a soloist can tap beats with.
enum class TapKey { SpaceBar, RightMouseButton };

// Whether the space bar and the right mouse button are held down now. The
// window feeds it from its key and mouse events (the first press of a key
// only: auto-repeat presses are no new taps); the tap poller reads it on the
// timer thread.
class KeyState {
  public:
    // main thread (the window's event handlers)
    void SetSpaceBarDown(bool down) { spaceBar_.store(down, std::memory_order_release); }
    void SetRightButtonDown(bool down) { rightButton_.store(down, std::memory_order_release); }

    // any thread
    bool SpaceBarDown() const { return spaceBar_.load(std::memory_order_acquire); }
    bool RightButtonDown() const { return rightButton_.load(std::memory_order_acquire); }
    bool Down(TapKey key) const {
        return key == TapKey::SpaceBar ? SpaceBarDown() : RightButtonDown();
    }

  private:
    std::atomic<bool> spaceBar_{false};
    std::atomic<bool> rightButton_{false};
};

}  // namespace ostinel::platform
