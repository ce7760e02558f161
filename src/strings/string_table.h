#pragma once

#include <span>
#include <string_view>

namespace ostinel {

struct StringTableEntry {
    int id;
    std::string_view text;
};

// The program's own texts by string id: messages, list choices, names. They
// come from resources/strings.tsv, built into the program, so the texts have
// one source and a malformed file or a repeated id stops the build.
class StringTable {
  public:
    // any thread. Empty for an id that has no text. The text is followed by a
    // NUL, so data() may be handed to interfaces that want a C string.
    std::string_view Get(int id) const;

    // any thread: every entry, in ascending order of id.
    std::span<const StringTableEntry> Entries() const;
};

}  // namespace ostinel
