#include "strings/version.h"

namespace ostinel {

std::string_view ProgramVersion() {
    return OSTINEL_VERSION;
}

}  // namespace ostinel
