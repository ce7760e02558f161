#include "strings/string_table.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "strings/string_ids.h"

namespace ostinel {
namespace {

using namespace std::string_view_literals;

TEST(StringTable, EveryMessageIdResolves) {
    const StringTable strings;
    for (const int id : {2001, 2003, 2004, 2005, 2006, 2007, 2008, 2009, 2012, 2013,
                         2014, 2015, 2016, 2017, 2019, 2020, 2021, 2022, 2023, 2024}) {
        EXPECT_FALSE(strings.Get(id).empty()) << id;
    }
}

TEST(StringTable, MessagesKeepTheirExactWording) {
    const StringTable strings;
    EXPECT_EQ(strings.Get(2019), "Ostinel can only open one file at a time.");
    EXPECT_EQ(strings.Get(2004),
              "This file is in the wrong format or has been damaged.  You may want to try "
              "selecting another file.");
    EXPECT_EQ(strings.Get(2013),
              "The file was not found.  Perhaps it was moved, renamed or deleted.  You may want "
              "to try selecting another file.");
    EXPECT_EQ(strings.Get(2014),
              "This file contains no MIDI data except for system messages.  Since Ostinel can't "
              "do anything with such a file, please open a different file.");
    EXPECT_EQ(strings.Get(2020),
              "Ostinel can only run with a monitor that displays at least 256 colors or grays.");
}

TEST(StringTable, DeviceInUseMessageIsComposedFromThreeParts) {
    const StringTable strings;
    std::string message(strings.Get(string_id::kOutputDeviceInUsePrefix));
    message += "Ostinel Synth";
    message += strings.Get(string_id::kDeviceInUseSuffix);
    EXPECT_EQ(message,
              "The MIDI output device 'Ostinel Synth' is apparently already in use.  Please select "
              "another device from the MIDI Ports & Devices dialog box.  If you quit the "
              "application that is using this device, you should then be able to access it.");
    EXPECT_EQ(strings.Get(string_id::kInputDeviceInUsePrefix), "The MIDI input device '");
}

TEST(StringTable, KeepsTrailingBlanksSemicolonsAndMnemonics) {
    const StringTable strings;
    EXPECT_EQ(strings.Get(1001), "Ostinel");
    EXPECT_EQ(strings.Get(1002), "OSTIHELP.HLP");
    EXPECT_EQ(strings.Get(1003), "Standard MIDI Files (*.mid, *.smf)");
    EXPECT_EQ(strings.Get(1004), "*.mid;*.smf");
    EXPECT_EQ(strings.Get(1005), "Channel ");
    EXPECT_EQ(strings.Get(6008), "Track ");
    EXPECT_EQ(strings.Get(6007), "+");
    EXPECT_EQ(strings.Get(6002), "'?");
    EXPECT_EQ(strings.Get(3002), "&Contents");
    EXPECT_EQ(strings.Get(3003), "&Search for Help On...");
    EXPECT_EQ(strings.Get(3004), "&How to Use Help");
}

TEST(StringTable, AcceleratorPartIsSeparatedByATab) {
    EXPECT_EQ(StringTable().Get(3001), "&Help Topics...\tF1"sv);
}

TEST(StringTable, ListsKeepTheirOrder) {
    const StringTable strings;
    EXPECT_EQ(strings.Get(5000), "Highest");
    EXPECT_EQ(strings.Get(5004), "None");
    EXPECT_EQ(strings.Get(5010), "High");
    EXPECT_EQ(strings.Get(5013), "None");
    EXPECT_EQ(strings.Get(5016), "30 fps (drop frame)");
    EXPECT_EQ(strings.Get(5019), "No Change");
    EXPECT_EQ(strings.Get(5024), "Program Change 100-127, Program Change");
    EXPECT_EQ(strings.Get(5028), "Performance Instead of Following Track (Overwrite)");
    EXPECT_EQ(strings.Get(5033), "Use Performed Tempos");
    EXPECT_EQ(strings.Get(5036), "Use Last Performed Tempo");
    EXPECT_EQ(strings.Get(6027), "&A--");
    EXPECT_EQ(strings.Get(6034), "&H--");
    EXPECT_EQ(strings.Get(6035), "(Performance Track)");
}

TEST(StringTable, KeyNamesFollowTheKeyIndex) {
    const StringTable strings;
    EXPECT_EQ(strings.Get(string_id::kNoKeySignature), "none");
    // Key index 7 + sharps for a major key, 22 + sharps for a minor one.
    EXPECT_EQ(strings.Get(string_id::kFirstKeyName + 0), "C-flat major (seven flats)");
    EXPECT_EQ(strings.Get(string_id::kFirstKeyName + 14), "C-sharp major (seven sharps)");
    EXPECT_EQ(strings.Get(string_id::kFirstKeyName + 15), "A-flat minor (seven flats)");
    EXPECT_EQ(strings.Get(string_id::kFirstKeyName + 29), "A-sharp minor (seven sharps)");
    EXPECT_EQ(strings.Get(string_id::kFirstKeyName + 7 + 2), "D major (two sharps)");
    EXPECT_EQ(strings.Get(string_id::kFirstKeyName + 22 - 3), "C minor (three flats)");
    for (int k = 0; k < 30; ++k) {
        const std::string_view name = strings.Get(string_id::kFirstKeyName + k);
        EXPECT_NE(name.find(k < 15 ? " major (" : " minor ("), std::string_view::npos) << k;
    }
    EXPECT_TRUE(strings.Get(string_id::kFirstKeyName + 30).empty());
}

TEST(StringTable, UnknownIdsGiveEmptyText) {
    const StringTable strings;
    for (const int id : {0, -1, 1, 1000, 2002, 2010, 2011, 2018, 2025, 9999, 65536}) {
        EXPECT_TRUE(strings.Get(id).empty()) << id;
    }
}

TEST(StringTable, IdsAreUniqueAndAscending) {
    const StringTable strings;
    std::set<int> seen;
    int previous = 0;
    for (const StringTableEntry& entry : strings.Entries()) {
        EXPECT_TRUE(seen.insert(entry.id).second) << "repeated id " << entry.id;
        EXPECT_GT(entry.id, previous);
        previous = entry.id;
        EXPECT_EQ(strings.Get(entry.id).data(), entry.text.data()) << entry.id;
    }
    EXPECT_EQ(seen.size(), strings.Entries().size());
}

TEST(StringTable, EveryTextFitsAMessageBoxAndEndsInNul) {
    // Messages are loaded into a buffer of at most 255 characters.
    for (const StringTableEntry& entry : StringTable().Entries()) {
        EXPECT_FALSE(entry.text.empty()) << entry.id;
        EXPECT_LE(entry.text.size(), 255U) << entry.id;
        EXPECT_EQ(entry.text.data()[entry.text.size()], '\0') << entry.id;
    }
}

// Reads resources/strings.tsv afresh and unescapes it the plain way, so the
// text built into the program is checked against its source line by line.
std::map<int, std::string> ReadResourceFile() {
    std::ifstream file(std::string(OSTINEL_SOURCE_DIR) + "/resources/strings.tsv");
    std::map<int, std::string> texts;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        std::string text;
        for (std::size_t i = tab + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char escaped = line[++i];
                text += escaped == 't' ? '\t' : escaped == 'n' ? '\n' : escaped;
            } else {
                text += line[i];
            }
        }
        texts[std::stoi(line.substr(0, tab))] = text;
    }
    return texts;
}

TEST(StringTable, HoldsEveryLineOfTheResourceFile) {
    const std::map<int, std::string> texts = ReadResourceFile();
    ASSERT_GT(texts.size(), 100U);
    const StringTable strings;
    EXPECT_EQ(strings.Entries().size(), texts.size());
    for (const auto& [id, text] : texts)
        EXPECT_EQ(strings.Get(id), text) << id;
}

}  // namespace
}  // namespace ostinel