#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostinel::cli {

// A small streaming JSON writer: it tracks commas and nesting so that the
// callers only say what comes next. Output is compact; arrays of numbers that
// a caller marks as rows stay on one line each, so a long event list is still
// readable with grep.
class JsonWriter {
  public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view value);
    JsonWriter& Number(std::int64_t value);
    JsonWriter& Null();
    JsonWriter& Bool(bool value);
    // A whole array of integers on one line, as in [12, 144, 60, 100].
    JsonWriter& Row(std::initializer_list<std::int64_t> values);

  private:
    void BeforeValue();
    JsonWriter& Close(char bracket);
    void NewLine();
    std::string& out_;
    // One entry per open container: whether it already holds a value.
    std::vector<bool> hasValue_;
    bool afterKey_ = false;
};

// `text` as a JSON string literal, quotes included. Bytes that are not valid
// UTF-8 (track names are often in old 8-bit encodings) become U+FFFD.
std::string JsonQuote(std::string_view text);

}  // namespace ostinel::cli
