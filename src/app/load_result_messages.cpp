#include "app/load_result_messages.h"

#include "strings/string_ids.h"

namespace ostinel {

namespace {

// The messages for a score that cannot be read are the same wherever it was
// opened from; 0 for every other result.
int ScoreMessage(LoadResult result) {
    switch (result) {
        case LoadResult::NotXml:
            return string_id::kNotXml;
        case LoadResult::NotMusicXml:
            return string_id::kNotMusicXml;
        case LoadResult::TimewiseScore:
            return string_id::kTimewiseScore;
        case LoadResult::DamagedArchive:
            return string_id::kDamagedArchive;
        case LoadResult::MissingRootFile:
            return string_id::kMissingRootFile;
        case LoadResult::MeasureDoesNotAddUp:
            return string_id::kMeasureDoesNotAddUp;
        case LoadResult::NoteWithoutDuration:
            return string_id::kNoteWithoutDuration;
        case LoadResult::FileTooLarge:
            return string_id::kScoreTooLarge;
        default:
            return 0;
    }
}

}  // namespace

int StartupLoadMessage(LoadResult result) {
    if (const int score = ScoreMessage(result); score != 0) return score;
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
        default:
            break;
    }
    return string_id::kLoadFailed;
}

int OpenCommandLoadMessage(LoadResult result) {
    if (const int score = ScoreMessage(result); score != 0) return score;
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
        default:
            break;
    }
    return string_id::kLoadFailed;
}

}  // namespace ostinel
