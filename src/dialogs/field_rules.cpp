#include "dialogs/field_rules.h"

#include <array>
#include <cctype>

#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel::dialogs {

namespace {

constexpr int kNineDigitLimit = 100000000;

constexpr std::array<std::string_view, 12> kSharpNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                          "F#", "G",  "G#", "A",  "A#", "B"};
constexpr std::array<std::string_view, 12> kFlatNames = {"C",  "Db", "D",  "Eb", "E",  "F",
                                                         "Gb", "G",  "Ab", "A",  "Bb", "B"};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

int NoteIndexOf(std::string_view name) {
    for (int i = 0; i < 12; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (SameIgnoringCase(name, kSharpNames[index]) ||
            SameIgnoringCase(name, kFlatNames[index])) {
            return i;
        }
    }
    return -1;
}

}  // namespace

ParsedNumber ParseInteger(std::string_view text, bool allowSign, bool allowEmpty) {
    int value = 0;
    bool negative = false;
    bool signSeen = false;
    bool digitSeen = false;
    for (const char c : text) {
        if (c == ' ' && !digitSeen) {
            continue;
        }
        if ((c == '+' || c == '-') && allowSign && !digitSeen && !signSeen) {
            signSeen = true;
            negative = c == '-';
            continue;
        }
        if (c < '0' || c > '9') {
            return {false, 0};
        }
        if (value >= kNineDigitLimit) {
            return {false, 0};
        }
        value = value * 10 + (c - '0');
        digitSeen = true;
    }
    if (!digitSeen) {
        return {allowEmpty, 0};
    }
    return {true, negative ? -value : value};
}

ParsedNumber ParseNoteName(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    const std::size_t nameStart = at;
    while (at < text.size() && text[at] != '-' && (text[at] < '0' || text[at] > '9')) {
        ++at;
    }
    const std::string_view name = text.substr(nameStart, at - nameStart);
    int index = -1;
    if (!name.empty()) {
        index = NoteIndexOf(name);
        if (index < 0) {
            return {false, 0};
        }
    }
    const ParsedNumber number = ParseInteger(text.substr(at), true, true);
    if (!number.valid) {
        return {false, 0};
    }
    const int note = index >= 0 ? number.value * 12 + index : number.value;
    if (note < 0 || note > 127) {
        return {false, 0};
    }
    return {true, note};
}

std::string FormatNoteName(int note, bool flatKey) {
    const auto index = static_cast<std::size_t>(note % 12);
    std::string text(flatKey ? kFlatNames[index] : kSharpNames[index]);
    return text + FormatInteger(note / 12);
}

std::string FormatInteger(int value) {
    return std::to_string(value);
}

std::string FormatSignedHalfSteps(int value) {
    if (value == 0) {
        return {};
    }
    return value > 0 ? std::string(StringTable{}.Get(string_id::kPlusSign)) + FormatInteger(value)
                     : FormatInteger(value);
}

}  // namespace ostinel::dialogs
