#pragma once

#include <string_view>

namespace ostinel {

// The program's version: what --version prints and the title picture shows.
std::string_view ProgramVersion();

}  // namespace ostinel
