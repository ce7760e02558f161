#include "strings/string_table.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace ostinel {
namespace {

// The text of resources/strings.tsv as a raw string literal, written by the
// build so that the resource file stays the only place the texts are kept.
constexpr std::string_view kStringsTsv =
#include "strings/strings_tsv.inc"
    ;

constexpr int kLargestId = 65535;

struct Line {
    std::string_view text;
    std::size_t number;
};

// Calls `visit` for every line that carries a text, skipping blank lines and
// # comments; a line may end in CR LF.
template <typename Visit>
constexpr void ForEachEntryLine(std::string_view tsv, Visit visit) {
    std::size_t number = 0;
    while (!tsv.empty()) {
        ++number;
        const std::size_t end = std::min(tsv.find('\n'), tsv.size());
        std::string_view line = tsv.substr(0, end);
        tsv.remove_prefix(std::min(end + 1, tsv.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        visit(Line{line, number});
    }
}

constexpr std::size_t CountEntries(std::string_view tsv) {
    std::size_t count = 0;
    ForEachEntryLine(tsv, [&count](Line) { ++count; });
    return count;
}

constexpr std::size_t kEntryCount = CountEntries(kStringsTsv);

struct Placed {
    int id = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
};

// All texts unescaped one after another, each followed by a NUL, and where
// each one starts. Unescaping only shortens, so the file's size bounds it.
// The first fault found is kept so that the build can name it.
struct Layout {
    std::array<char, kStringsTsv.size() + 1> characters{};
    std::array<Placed, kEntryCount> placed{};
    std::size_t malformedLine = 0;
    int repeatedId = 0;

    constexpr void Fault(std::size_t lineNumber) {
        if (malformedLine == 0) malformedLine = lineNumber;
    }
};

// 1 to 65535, the range of a string resource id; 0 when the digits are not one.
constexpr int ParseId(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return 0;
    int id = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        id = id * 10 + (c - '0');
    }
    return id <= kLargestId ? id : 0;
}

constexpr Layout BuildLayout(std::string_view tsv) {
    Layout layout;
    std::size_t entry = 0;
    std::size_t out = 0;
    ForEachEntryLine(tsv, [&](Line line) {
        const std::size_t tab = std::min(line.text.find('\t'), line.text.size());
        const std::string_view escaped = line.text.substr(std::min(tab + 1, line.text.size()));
        // A second TAB would start a column that nothing reads.
        if (escaped.empty() || escaped.find('\t') != std::string_view::npos) {
            layout.Fault(line.number);
        }
        Placed& placed = layout.placed[entry++];
        placed.id = ParseId(line.text.substr(0, tab));
        if (placed.id == 0) layout.Fault(line.number);
        placed.offset = out;
        for (std::size_t i = 0; i < escaped.size(); ++i) {
            char c = escaped[i];
            if (c == '\\') {
                const char code = ++i < escaped.size() ? escaped[i] : '\0';
                if (code == 't') {
                    c = '\t';
                } else if (code == 'n') {
                    c = '\n';
                } else if (code != '\\') {
                    layout.Fault(line.number);
                }
            }
            layout.characters[out++] = c;
        }
        placed.length = out - placed.offset;
        layout.characters[out++] = '\0';
    });
    std::sort(layout.placed.begin(), layout.placed.end(),
              [](const Placed& a, const Placed& b) { return a.id < b.id; });
    for (std::size_t i = 1; i < layout.placed.size() && layout.repeatedId == 0; ++i) {
        if (layout.placed[i].id == layout.placed[i - 1].id) layout.repeatedId = layout.placed[i].id;
    }
    return layout;
}

constexpr Layout kLayout = BuildLayout(kStringsTsv);

// A failed check names the line or the id in the compiler's "with ..." note.
template <std::size_t kMalformedLine>
constexpr bool StringsTsvLineIsWellFormed() {
    static_assert(kMalformedLine == 0,
                  "resources/strings.tsv: this line needs an id from 1 to 65535, one TAB and a "
                  "text whose only escapes are \\t, \\n and \\\\");
    return true;
}
template <int kRepeatedId>
constexpr bool StringsTsvIdIsUnique() {
    static_assert(kRepeatedId == 0, "resources/strings.tsv: this id has two texts");
    return true;
}
static_assert(StringsTsvLineIsWellFormed<kLayout.malformedLine>());
static_assert(StringsTsvIdIsUnique<kLayout.repeatedId>());

constexpr std::array<StringTableEntry, kEntryCount> BuildEntries() {
    std::array<StringTableEntry, kEntryCount> entries{};
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        const Placed& placed = kLayout.placed[i];
        entries[i] = {placed.id, {kLayout.characters.data() + placed.offset, placed.length}};
    }
    return entries;
}

constexpr std::array<StringTableEntry, kEntryCount> kEntries = BuildEntries();

}  // namespace

std::string_view StringTable::Get(int id) const {
    const auto found = std::lower_bound(
        kEntries.begin(), kEntries.end(), id,
        [](const StringTableEntry& entry, int wanted) { return entry.id < wanted; });
    if (found == kEntries.end() || found->id != id) return {};
    return found->text;
}

std::span<const StringTableEntry> StringTable::Entries() const {
    return kEntries;
}

}  // namespace ostinel
