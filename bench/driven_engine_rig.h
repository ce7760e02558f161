#pragma once

// What the benchmarks that run a whole engine on the real clock share: a MIDI
// system whose input the benchmark's own thread drives and whose output
// stamps what the engine sends, a silent user interface, and the score file
// in a folder of its own.

#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/engine.h"
#include "platform/midi_devices.h"
#include "smf_builder.h"

namespace ostinel::bench {

// Where an opened input delivers: what the engine gave at opening.
struct InputConnection {
    platform::MidiInputCallback callback = nullptr;
    void* context = nullptr;
    int port = 0;
};

// The input device: it only says when it runs. The benchmark's input thread
// calls the connection's callback itself, and is joined before the device stops.
class CallbackInput final : public platform::MidiInputDevice {
  public:
    explicit CallbackInput(std::atomic<bool>& started) : started_(started) {}
    ~CallbackInput() override { started_.store(false); }
    CallbackInput(const CallbackInput&) = delete;
    CallbackInput& operator=(const CallbackInput&) = delete;

    bool Start() override {
        started_.store(true);
        return true;
    }
    void Stop() override { started_.store(false); }

  private:
    std::atomic<bool>& started_;
};

// One input device, whose callback the benchmark drives, and one output
// device, a `StampingOutput` that stamps into the system's `StampLog`.
template <typename StampLog, typename StampingOutput>
class DrivenMidiSystem final : public platform::MidiSystem {
  public:
    explicit DrivenMidiSystem(std::size_t capacity) : log_(capacity) {}

    int InputDeviceCount() const override { return 1; }
    int OutputDeviceCount() const override { return 1; }
    std::string InputDeviceName(int /*device*/) const override { return "Soloist"; }
    std::string OutputDeviceName(int /*device*/) const override { return "Stamps"; }
    std::unique_ptr<platform::MidiOutputDevice> OpenOutput(int device) override {
        if (device != 0) return nullptr;
        return std::make_unique<StampingOutput>(log_);
    }
    std::unique_ptr<platform::MidiInputDevice> OpenInput(int device,
                                                         platform::MidiInputCallback callback,
                                                         void* context, int port) override {
        if (device != 0 || started_.load()) return nullptr;
        connection_ = InputConnection{callback, context, port};
        return std::make_unique<CallbackInput>(started_);
    }
    std::vector<std::string> MissingServices() const override { return {}; }

    const StampLog& Log() const { return log_; }
    StampLog& Log() { return log_; }
    // main thread, before the input thread begins.
    const InputConnection& Connection() const { return connection_; }
    bool InputStarted() const { return started_.load(); }

  private:
    StampLog log_;
    InputConnection connection_;
    std::atomic<bool> started_{false};
};

class QuietUi final : public TransportUi {
  public:
    void ShowMessage(std::string_view /*text*/) override {}
    bool ConfirmMessage(std::string_view /*text*/) override { return true; }
};

// The score file in a folder of its own, removed with it.
class TempScore {
  public:
    TempScore(std::string_view benchmark, std::string_view fileName)
        : folder_(std::filesystem::temp_directory_path() /
                  ("ostinel-" + std::string(benchmark) + "-" + std::to_string(::getpid()))),
          fileName_(fileName) {
        std::filesystem::create_directories(folder_);
    }
    ~TempScore() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TempScore(const TempScore&) = delete;
    TempScore& operator=(const TempScore&) = delete;

    std::string Path() const { return (folder_ / fileName_).string(); }

    bool Write(const smf::Bytes& bytes) const {
        std::ofstream out(Path(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }

  private:
    std::filesystem::path folder_;
    std::string fileName_;
};

}  // namespace ostinel::bench
