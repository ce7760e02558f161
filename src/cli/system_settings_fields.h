#pragma once

// The fields of a SystemSettings record by the names they carry in the
// record, each with the values it may take, so that one list drives both
// writing and reading the settings text.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "settings/settings_records.h"

namespace ostinel::cli {

using FieldRef = std::variant<std::uint8_t*, std::uint16_t*, std::int16_t*, std::uint32_t*>;

// One line of the text: a single value, or an array's values in order.
struct Field {
    std::string name;
    std::vector<FieldRef> values;
    std::int64_t min = 0;
    std::int64_t max = 0;
};

std::int64_t GetField(const FieldRef& ref);
// `number` must lie within the field's range.
void SetField(const FieldRef& ref, std::int64_t number);

// Every field of `settings` in record order, pointing into it.
std::vector<Field> FieldsOf(SystemSettings& settings);

}  // namespace ostinel::cli
