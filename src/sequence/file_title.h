#pragma once

#include <string>

namespace ostinel {

// The title a piece takes from its file: the name without its folder and
// without what follows its last dot.
std::string TitleOfPath(const std::string& path);

}  // namespace ostinel
