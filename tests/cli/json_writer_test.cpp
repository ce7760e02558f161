#include "cli/json_writer.h"

#include <gtest/gtest.h>

namespace ostinel::cli {
namespace {

TEST(JsonQuote, EscapesWhatJsonForbids) {
    EXPECT_EQ(JsonQuote("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonQuote("line\nnext\ttab"), R"("line\nnext\ttab")");
    EXPECT_EQ(JsonQuote(std::string_view("\x01\x1f", 2)), R"("\u0001\u001f")");
}

TEST(JsonQuote, KeepsUtf8AndReplacesOtherHighBytes) {
    EXPECT_EQ(JsonQuote("Allegro für Flöte"), "\"Allegro für Flöte\"");
    // Latin-1 "Flöte": the lone 0xF6 is not UTF-8.
    EXPECT_EQ(JsonQuote("Fl\xF6te"), "\"Fl\xEF\xBF\xBDte\"");
    // A truncated sequence at the end and an overlong encoding of '/'.
    EXPECT_EQ(JsonQuote("\xE2\x82"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonQuote("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonWriter, NestsWithCommasInTheRightPlaces) {
    std::string out;
    JsonWriter json(out);
    json.BeginObject();
    json.Key("result").Number(0);
    json.Key("name").String("x");
    json.Key("events").BeginArray();
    json.Row({0, 144, 60, 100});
    json.Row({500, 128, 60, 64});
    json.EndArray();
    json.Key("empty").BeginArray().EndArray();
    json.Key("flag").Bool(true);
    json.Key("none").Null();
    json.EndObject();
    EXPECT_EQ(out,
              "{\n"
              "  \"result\": 0,\n"
              "  \"name\": \"x\",\n"
              "  \"events\": [\n"
              "    [0, 144, 60, 100],\n"
              "    [500, 128, 60, 64]\n"
              "  ],\n"
              "  \"empty\": [],\n"
              "  \"flag\": true,\n"
              "  \"none\": null\n"
              "}");
}

}  // namespace
}  // namespace ostinel::cli
