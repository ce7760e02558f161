#include "app/load_result_messages.h"

#include "strings/string_ids.h"

namespace ostinel {

int StartupLoadMessage(LoadResult result) {
    switch (result) {
        case LoadResult::Loaded:
            return 0;
        case LoadResult::OutOfMemory:
            return string_id::kSeriousProblem;
        case LoadResult::EndedEarly:
        case LoadResult::WrongFormat:
            return string_id::kWrongFormat;
        case LoadResult::NotFound:
            return string_id::kFileNotFound;
        case LoadResult::NoChannelEvents:
            return string_id::kNoMidiData;
        case LoadResult::ReadFailed:
            break;
    }
    return string_id::kLoadFailed;
}

int OpenCommandLoadMessage(LoadResult result) {
    switch (result) {
        case LoadResult::Loaded:
            return 0;
        case LoadResult::EndedEarly:
        case LoadResult::WrongFormat:
            return string_id::kWrongFormat;
        case LoadResult::NoChannelEvents:
            return string_id::kNoMidiData;
        case LoadResult::OutOfMemory:
        case LoadResult::ReadFailed:
        case LoadResult::NotFound:
            break;
    }
    return string_id::kLoadFailed;
}

}  // namespace ostinel
