#pragma once

#include <string>
#include <string_view>

#include "playback/transport_ui.h"

namespace ostinel::cli {

// The command line's front end: messages go to the error text, each on its
// own line; nothing is asked, so confirmations answer Cancel.
class ConsoleUi final : public TransportUi {
  public:
    explicit ConsoleUi(std::string& err) : err_(err) {}

    void ShowMessage(std::string_view text) override {
        err_ += text;
        err_ += '\n';
    }
    bool ConfirmMessage(std::string_view /*text*/) override { return false; }

  private:
    std::string& err_;
};

}  // namespace ostinel::cli
