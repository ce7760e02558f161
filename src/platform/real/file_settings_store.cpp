#include "platform/real/file_settings_store.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace ostinel::platform {

namespace {

constexpr std::string_view kFirstLine = "Ostinel settings 1";
constexpr std::string_view kLastLine = "end";
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendHex(std::string& out, std::uint8_t byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

void AppendEscaped(std::string& out, std::string_view name) {
    for (char c : name) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte > 0x20 && byte < 0x7F && c != '%') {
            out += c;
        } else {
            out += '%';
            AppendHex(out, byte);
        }
    }
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (byte <= 0x20 || byte >= 0x7F) return std::nullopt;
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return name;
}

std::optional<std::vector<std::uint8_t>> DecodeHex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string Serialize(const SettingsValues& values) {
    std::string out(kFirstLine);
    out += '\n';
    for (const SettingsValues::Key& key : values.AllKeys()) {
        for (const SettingsValues::Value& value : key.values) {
            AppendEscaped(out, key.name);
            out += ' ';
            AppendEscaped(out, value.name);
            out += ' ';
            for (std::uint8_t byte : value.bytes)
                AppendHex(out, byte);
            out += '\n';
        }
    }
    out += kLastLine;
    out += '\n';
    return out;
}

// None for anything but the exact format: a store half understood could
// lose values when it is written back.
std::optional<SettingsValues> Parse(std::string_view text) {
    SettingsValues values;
    const std::string expectedEnd = std::string(1, '\n') + std::string(kLastLine) + '\n';
    if (!text.starts_with(kFirstLine) || !text.ends_with(expectedEnd)) return std::nullopt;
    std::size_t at = kFirstLine.size() + 1;
    const std::size_t end = text.size() - kLastLine.size() - 1;
    if (at > end) return std::nullopt;
    while (at < end) {
        const std::size_t lineEnd = text.find('\n', at);
        const std::string_view line = text.substr(at, lineEnd - at);
        at = lineEnd + 1;
        const std::size_t first = line.find(' ');
        if (first == std::string_view::npos) return std::nullopt;
        const std::size_t second = line.find(' ', first + 1);
        if (second == std::string_view::npos) return std::nullopt;
        const auto key = Unescape(line.substr(0, first));
        const auto name = Unescape(line.substr(first + 1, second - first - 1));
        const auto bytes = DecodeHex(line.substr(second + 1));
        if (!key || !name || !bytes || key->empty()) return std::nullopt;
        values.Write(*key, *name, *bytes);
    }
    return values;
}

// The whole file, or none when it cannot be read or is too long to be ours.
std::optional<std::string> ReadWholeFile(const std::string& path, bool& missing) {
    missing = false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::error_code error;
        missing = !std::filesystem::exists(path, error) && !error;
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, got);
        if (text.size() > FileSettingsStore::kMaxFileBytes) ok = false;
        if (got < sizeof buffer || !ok) break;
    }
    if (std::ferror(file) != 0) ok = false;
    std::fclose(file);
    if (!ok) return std::nullopt;
    return text;
}

bool WriteWholeFile(const std::string& path, std::string_view text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    // The rename must not land before the contents are on the disk.
    ok = ::fsync(::fileno(file)) == 0 && ok;
    // A full disk often shows only when the last buffer is flushed at closing.
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace

FileSettingsStore::FileSettingsStore(std::string path) : path_(std::move(path)) {
    if (path_.empty()) return;
    bool missing = false;
    const std::optional<std::string> text = ReadWholeFile(path_, missing);
    if (!text) {
        state_ = missing ? FileState::Missing : FileState::Damaged;
        return;
    }
    std::optional<SettingsValues> values = Parse(*text);
    if (!values) {
        state_ = FileState::Damaged;
        return;
    }
    values_ = std::move(*values);
    state_ = FileState::Read;
}

std::string FileSettingsStore::DefaultPath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path folder;
    if (configHome != nullptr && std::filesystem::path(configHome).is_absolute()) {
        folder = configHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') return {};
        folder = std::filesystem::path(home) / ".config";
    }
    return (folder / "Quarnet" / "Ostinel" / "1.0" / "settings.txt").string();
}

std::optional<std::vector<std::uint8_t>> FileSettingsStore::Read(std::string_view key,
                                                                 std::string_view valueName) const {
    return values_.Read(key, valueName);
}

bool FileSettingsStore::Write(std::string_view key, std::string_view valueName,
                              std::span<const std::uint8_t> bytes) {
    if (key.empty()) return false;
    SettingsValues next = values_;
    next.Write(key, valueName, bytes);
    return Commit(std::move(next));
}

bool FileSettingsStore::Remove(std::string_view key, std::string_view valueName) {
    if (!values_.Read(key, valueName)) return true;
    SettingsValues next = values_;
    next.Remove(key, valueName);
    return Commit(std::move(next));
}

bool FileSettingsStore::RemoveKey(std::string_view key) {
    if (values_.ValueNames(key).empty()) return true;
    SettingsValues next = values_;
    next.RemoveKey(key);
    return Commit(std::move(next));
}

std::vector<std::string> FileSettingsStore::Keys() const {
    return values_.Keys();
}

std::vector<std::string> FileSettingsStore::ValueNames(std::string_view key) const {
    return values_.ValueNames(key);
}

bool FileSettingsStore::Commit(SettingsValues next) {
    if (path_.empty()) return false;
    const std::filesystem::path target(path_);
    std::error_code error;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
    if (error) return false;
    const std::string temporary = path_ + ".tmp";
    if (!WriteWholeFile(temporary, Serialize(next))) return false;
    // Whatever the damaged file held stays beside the new one for the user.
    if (state_ == FileState::Damaged && std::filesystem::exists(target, error)) {
        const std::string aside = path_ + ".damaged";
        if (std::rename(path_.c_str(), aside.c_str()) != 0) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    values_ = std::move(next);
    state_ = FileState::Read;
    return true;
}

}  // namespace ostinel::platform
