#include "app/performance_saving.h"

#include "app/piece_settings_application.h"
#include "settings/piece_settings_file.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {

PerformanceWriteResult SavePerformanceAs(Engine& engine, const std::string& path) {
    const Piece* piece = engine.CurrentPiece();
    Transport& transport = engine.GetTransport();
    if (piece == nullptr || !PerformanceExists(transport.PerformanceTempos()))
        return PerformanceWriteResult::WriteFailed;
    const FollowingOptions& following = engine.Following();
    const PerformanceSettings& performance = transport.Performance();
    PerformanceSaveOptions save;
    save.source = following.followSource;
    save.followTrack = following.followTrack1;
    save.playMode = performance.playMode;
    save.playTappedNotes = performance.playTappedNotes;
    save.tempos = performance.tempos;
    // The new file carries the settings it was made with, as its slot 0, but
    // not the piece's name: it is a file of its own, called by its own name.
    return WritePerformanceFile(path, *piece, transport.PerformanceTempos(), transport.Punch(),
                                save, [&engine](const std::string& written) {
                                    PieceSettingsEntry entry = CapturePieceSettings(engine);
                                    entry.displayName.clear();
                                    StorePieceSettings(written, 0, std::nullopt, entry);
                                });
}

std::string DefaultPerformanceFileName(Engine& engine) {
    const Piece* piece = engine.CurrentPiece();
    return DefaultPerformanceFileName(StringTable().Get(string_id::kPerformanceFilePrefix),
                                      engine.DisplayName(),
                                      piece != nullptr ? piece->title : std::string());
}

}  // namespace ostinel
