#include "cli/settings_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <set>

#include "cli/system_settings_fields.h"

namespace ostinel::cli {

namespace {

constexpr std::string_view kFormatVersion = "1";
constexpr std::array<std::string_view, kRemoteEntryCount> kRemoteNames{
    "playAndFollow", "playFile", "playPerformance", "fastForward",  "rewind",
    "stop",          "preview",  "jumpAhead",       "jumpBack",     "jumpAgain",
    "metronome",     "loopMode", "allNotesOff",     "specialSignal"};

std::string PortLetter(std::size_t port) {
    return std::string(1, static_cast<char>('A' + port));
}

// ---- texts ---------------------------------------------------------------

std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"' || c == ']') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            constexpr std::string_view kHex = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<int> HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return std::nullopt;
}

// Unescapes `text` up to an unescaped `stop` (or its end when stop is 0);
// `used` is how many characters were read, the stop included.
std::optional<std::string> Unescape(std::string_view text, char stop, std::size_t& used) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (stop != 0 && c == stop) {
            used = i;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i == text.size()) return std::nullopt;
        const char escaped = text[i++];
        if (escaped == 'n') {
            out += '\n';
        } else if (escaped == 'x') {
            if (text.size() - i < 2) return std::nullopt;
            const auto high = HexDigit(text[i]);
            const auto low = HexDigit(text[i + 1]);
            if (!high || !low) return std::nullopt;
            out += static_cast<char>(*high * 16 + *low);
            i += 2;
        } else if (escaped == '\\' || escaped == '"' || escaped == ']') {
            out += escaped;
        } else {
            return std::nullopt;
        }
    }
    if (stop != 0) return std::nullopt;
    used = i;
    return out;
}

std::string Quoted(std::string_view text) {
    return "\"" + Escape(text) + "\"";
}

// A value of one or more quoted texts; none unless the whole value is that.
std::optional<std::string> ParseQuoted(std::string_view value) {
    if (value.empty() || value.front() != '"') return std::nullopt;
    std::size_t used = 0;
    auto text = Unescape(value.substr(1), '"', used);
    if (!text || used != value.size() - 1) return std::nullopt;
    return text;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (true) {
        text = Trim(text);
        if (text.empty()) return words;
        const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
}

std::optional<std::int64_t> ParseInteger(std::string_view word) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return value;
}

// ---- remote bindings -----------------------------------------------------

std::string FormatBinding(std::int16_t binding) {
    if (binding == kNoBinding) return "none";
    if (binding >= 0 && binding < 128) return "note " + std::to_string(binding);
    if (binding >= kControllerBinding && binding < kControllerBinding + 128)
        return "controller " + std::to_string(binding - kControllerBinding);
    return std::to_string(binding);
}

std::optional<std::int16_t> ParseBinding(std::string_view value) {
    const std::vector<std::string_view> words = Words(value);
    if (words.size() == 1 && words[0] == "none") return kNoBinding;
    if (words.size() == 2 && (words[0] == "note" || words[0] == "controller")) {
        const auto number = ParseInteger(words[1]);
        if (!number || *number < 0 || *number > 127) return std::nullopt;
        return static_cast<std::int16_t>(*number + (words[0] == "note" ? 0 : kControllerBinding));
    }
    if (words.size() == 1) {
        const auto number = ParseInteger(words[0]);
        if (number && *number >= -32768 && *number <= 32767)
            return static_cast<std::int16_t>(*number);
    }
    return std::nullopt;
}

// ---- parsing -------------------------------------------------------------

class Parser {
  public:
    SettingsTextResult Run(std::string_view text);

  private:
    bool Line(std::string_view line);
    bool Section(std::string_view line);
    bool Setting(std::string_view key, std::string_view value);
    bool RecordField(std::string_view key, std::string_view value, bool& known);
    bool DeviceName(std::string_view key, std::string_view value, bool& known);
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    StoredSystemSettings stored_;
    StoredSystemSet* set_ = nullptr;
    std::set<std::string> keysSeen_;
    std::set<std::string> setNames_;
    bool formatSeen_ = false;
    std::string error_;
};

SettingsTextResult Parser::Run(std::string_view text) {
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!Line(line)) return {std::nullopt, "line " + std::to_string(number) + ": " + error_};
    }
    if (!formatSeen_) return {std::nullopt, "the file has no \"format = 1\" line"};
    return {std::move(stored_), {}};
}

bool Parser::Line(std::string_view line) {
    if (line.empty() || line.front() == '#') return true;
    if (line.front() == '[') return Section(line);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return Fail("expected \"name = value\" or \"[set name]\"");
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "format") {
        if (formatSeen_ || set_ != nullptr)
            return Fail("\"format\" belongs once before the first set");
        if (value != kFormatVersion)
            return Fail("format " + std::string(value) +
                        " is not known; this program reads format 1");
        formatSeen_ = true;
        return true;
    }
    if (!formatSeen_) return Fail("the file must start with \"format = 1\"");
    if (set_ == nullptr)
        return Fail("\"" + std::string(key) + "\" comes before the first [set name]");
    if (!keysSeen_.insert(std::string(key)).second)
        return Fail("\"" + std::string(key) + "\" is given twice in this set");
    return Setting(key, value);
}

bool Parser::Section(std::string_view line) {
    if (!formatSeen_) return Fail("the file must start with \"format = 1\"");
    std::size_t used = 0;
    const auto name = Unescape(line.substr(1), ']', used);
    if (!name || used != line.size() - 1) return Fail("a set name must be written as [name]");
    if (name->empty()) return Fail("a set name cannot be empty");
    if (name->size() > kMaxStoredNameLength)
        return Fail("the set name is longer than 255 characters");
    if (!setNames_.insert(*name).second)
        return Fail("the set [" + Escape(*name) + "] is given twice");
    stored_.sets.push_back(StoredSystemSet{*name, {}, {}, {}, {}, {}, {}});
    set_ = &stored_.sets.back();
    keysSeen_.clear();
    return true;
}

bool Parser::Setting(std::string_view key, std::string_view value) {
    const bool current = set_->name == kRevertSettingsName;
    if (key == "filePath") {
        if (!current) return Fail("only the set [.] keeps a file path");
        auto path = ParseQuoted(value);
        if (!path) return Fail("filePath takes a text in double quotes");
        set_->filePath = std::move(*path);
        return true;
    }
    if (key == "mainWindow") {
        if (!current) return Fail("only the set [.] keeps the main window");
        const std::vector<std::string_view> words = Words(value);
        std::array<std::int32_t, 4> sides{};
        bool good = words.size() == sides.size();
        for (std::size_t i = 0; good && i < sides.size(); ++i) {
            const auto number = ParseInteger(words[i]);
            good = number && *number >= INT32_MIN && *number <= INT32_MAX;
            if (good) sides[i] = static_cast<std::int32_t>(*number);
        }
        if (!good) return Fail("mainWindow takes four whole numbers: left top right bottom");
        stored_.mainWindow = StoredWindowRect{sides[0], sides[1], sides[2], sides[3]};
        return true;
    }
    if (key == "followingMethod") {
        const auto method = FollowingMethodNamed(value);
        if (!method) return Fail("followingMethod takes matching or probability");
        set_->method = *method;
        return true;
    }
    if (key.starts_with("remote.")) {
        const auto found = std::find(kRemoteNames.begin(), kRemoteNames.end(), key.substr(7));
        if (found == kRemoteNames.end())
            return Fail("\"" + std::string(key) + "\" is no remote command");
        const auto binding = ParseBinding(value);
        if (!binding)
            return Fail(std::string(key) + " takes none, note N or controller N (N from 0 to 127)");
        if (!set_->remote) set_->remote = DefaultRemoteTable();
        (*set_->remote)[static_cast<std::size_t>(found - kRemoteNames.begin())] = *binding;
        return true;
    }
    bool known = false;
    if (!DeviceName(key, value, known)) return false;
    if (known) return true;
    if (!RecordField(key, value, known)) return false;
    if (!known) return Fail("\"" + std::string(key) + "\" is no setting this program keeps");
    return true;
}

bool Parser::DeviceName(std::string_view key, std::string_view value, bool& known) {
    const bool input = key.starts_with("inputDeviceName.");
    const bool output = key.starts_with("outputDeviceName.");
    if (!input && !output) return true;
    known = true;
    const std::string_view letter = key.substr(key.find('.') + 1);
    if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'H')
        return Fail("\"" + std::string(key) + "\" names no port; ports are A to H");
    auto name = ParseQuoted(value);
    if (!name || name->size() > kMaxStoredNameLength)
        return Fail(std::string(key) + " takes a text in double quotes of at most 255 characters");
    auto& names = input ? set_->inputDeviceNames : set_->outputDeviceNames;
    if (!names) names.emplace();
    (*names)[static_cast<std::size_t>(letter[0] - 'A')] = std::move(*name);
    return true;
}

bool Parser::RecordField(std::string_view key, std::string_view value, bool& known) {
    SystemSettings scratch;
    std::vector<Field> fields = FieldsOf(scratch);
    const auto field = std::find_if(fields.begin(), fields.end(),
                                    [key](const Field& each) { return each.name == key; });
    if (field == fields.end()) return true;
    known = true;
    const std::vector<std::string_view> words = Words(value);
    const std::string range =
        "from " + std::to_string(field->min) + " to " + std::to_string(field->max);
    if (words.size() != field->values.size()) {
        return Fail(field->values.size() == 1
                        ? field->name + " takes one whole number " + range
                        : field->name + " takes " + std::to_string(field->values.size()) +
                              " whole numbers, each " + range);
    }
    std::vector<std::int64_t> numbers;
    for (const std::string_view word : words) {
        const auto number = ParseInteger(word);
        if (!number || *number < field->min || *number > field->max) {
            return Fail(field->name + ": \"" + std::string(word) + "\" is not a whole number " +
                        range);
        }
        numbers.push_back(*number);
    }
    if (!set_->settings) set_->settings = DefaultSystemSettings();
    // The same field list over the set's own record puts each value in its place.
    std::vector<Field> target = FieldsOf(*set_->settings);
    const auto& refs = target[static_cast<std::size_t>(field - fields.begin())].values;
    for (std::size_t i = 0; i < refs.size(); ++i)
        SetField(refs[i], numbers[i]);
    return true;
}

}  // namespace

std::string FormatSystemSet(const StoredSystemSet& set) {
    std::string out;
    if (set.filePath) out += "filePath = " + Quoted(*set.filePath) + "\n";
    if (set.settings) {
        SystemSettings settings = *set.settings;
        for (const Field& field : FieldsOf(settings)) {
            out += field.name + " =";
            for (const FieldRef& ref : field.values)
                out += " " + std::to_string(GetField(ref));
            out += "\n";
        }
    }
    const auto names = [&out](
                           const char* key,
                           const std::optional<std::array<std::string, kSettingsPortCount>>& list) {
        if (!list) return;
        for (std::size_t port = 0; port < kSettingsPortCount; ++port)
            out += key + PortLetter(port) + " = " + Quoted((*list)[port]) + "\n";
    };
    if (set.method)
        out += "followingMethod = " + std::string(FollowingMethodName(*set.method)) + "\n";
    names("inputDeviceName.", set.inputDeviceNames);
    names("outputDeviceName.", set.outputDeviceNames);
    if (set.remote) {
        for (std::size_t entry = 0; entry < kRemoteNames.size(); ++entry) {
            out += "remote." + std::string(kRemoteNames[entry]) + " = " +
                   FormatBinding((*set.remote)[entry]) + "\n";
        }
    }
    return out;
}

std::string FormatSystemSettingsText(const StoredSystemSettings& stored) {
    std::string out =
        "# Ostinel system settings, as ostinel-cli settings export wrote them.\n"
        "# [.] holds the settings Ostinel was left with; the other sets are the saved ones.\n"
        "format = " +
        std::string(kFormatVersion) + "\n";
    bool currentWritten = false;
    const auto windowLine = [&stored]() {
        const StoredWindowRect& r = *stored.mainWindow;
        return "mainWindow = " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
               std::to_string(r.right) + " " + std::to_string(r.bottom) + "\n";
    };
    for (const StoredSystemSet& set : stored.sets) {
        out += "\n[" + Escape(set.name) + "]\n";
        if (set.name == kRevertSettingsName) {
            currentWritten = true;
            if (stored.mainWindow) out += windowLine();
        }
        out += FormatSystemSet(set);
    }
    if (!currentWritten && stored.mainWindow) out += "\n[.]\n" + windowLine();
    return out;
}

SettingsTextResult ParseSystemSettingsText(std::string_view text) {
    return Parser().Run(text);
}

}  // namespace ostinel::cli
