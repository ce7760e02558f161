#include "musicxml/score_source.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <pugixml.hpp>
#include <string_view>

namespace ostinel::musicxml {

namespace {

constexpr char kContainerPath[] = "META-INF/container.xml";
// The container is a few lines; anything much larger is not one.
constexpr zip_uint64_t kMaxContainerBytes = 1 << 20;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
    void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;

Archive OpenArchive(std::span<const std::uint8_t> bytes) {
    zip_error_t error;
    zip_error_init(&error);
    // The source only reads the buffer; libzip's signature is not const.
    zip_source_t* source =
        zip_source_buffer_create(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), 0, &error);
    zip_error_fini(&error);
    if (source == nullptr) return nullptr;
    zip_error_init(&error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        zip_source_free(source);
        return nullptr;
    }
    return Archive(archive);
}

// Reads one entry whole, refusing one larger than `limit`. The size in the
// directory is checked before anything is allocated, and again while reading,
// since a damaged archive may state it wrongly.
LoadResult ReadEntry(zip_t* archive, zip_int64_t index, zip_uint64_t limit,
                     std::vector<std::uint8_t>& out) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        return LoadResult::DamagedArchive;
    }
    if (stat.size > limit) return LoadResult::FileTooLarge;
    Entry entry(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
    if (entry == nullptr) return LoadResult::DamagedArchive;
    out.resize(static_cast<std::size_t>(stat.size) + 1);
    const zip_int64_t read = zip_fread(entry.get(), out.data(), out.size());
    if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) {
        return LoadResult::DamagedArchive;
    }
    out.resize(static_cast<std::size_t>(read));
    return LoadResult::Loaded;
}

// The path of the first root file the container names.
std::string RootFilePath(const std::vector<std::uint8_t>& container) {
    pugi::xml_document document;
    if (!document.load_buffer(container.data(), container.size())) return {};
    const pugi::xml_node rootFiles = document.child("container").child("rootfiles");
    for (pugi::xml_node rootFile : rootFiles.children("rootfile")) {
        const std::string_view type = rootFile.attribute("media-type").as_string();
        // Other root files (a PDF of the score, say) may come first.
        if (!type.empty() && type.find("musicxml") == std::string_view::npos) continue;
        return rootFile.attribute("full-path").as_string();
    }
    return {};
}

}  // namespace

bool IsZipArchive(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' && bytes[2] == 3 &&
           bytes[3] == 4;
}

bool LooksLikeXml(std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) at = 3;
    // A UTF-16 byte order mark: pugixml reads such documents too.
    if (bytes.size() >= 2 &&
        ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        return true;
    }
    while (at < bytes.size() && std::strchr(" \t\r\n", bytes[at]) != nullptr && bytes[at] != 0)
        ++at;
    return at < bytes.size() && bytes[at] == '<';
}

LoadResult UnpackRootFile(std::span<const std::uint8_t> archiveBytes,
                          std::vector<std::uint8_t>& xml) {
    const Archive archive = OpenArchive(archiveBytes);
    if (archive == nullptr) return LoadResult::DamagedArchive;
    const zip_int64_t containerIndex = zip_name_locate(archive.get(), kContainerPath, 0);
    if (containerIndex < 0) return LoadResult::MissingRootFile;
    std::vector<std::uint8_t> container;
    if (LoadResult result = ReadEntry(archive.get(), containerIndex, kMaxContainerBytes, container);
        result != LoadResult::Loaded) {
        return result == LoadResult::FileTooLarge ? LoadResult::DamagedArchive : result;
    }
    const std::string path = RootFilePath(container);
    if (path.empty()) return LoadResult::MissingRootFile;
    const zip_int64_t rootIndex = zip_name_locate(archive.get(), path.c_str(), 0);
    if (rootIndex < 0) return LoadResult::MissingRootFile;
    return ReadEntry(archive.get(), rootIndex, kMaxScoreBytes, xml);
}

}  // namespace ostinel::musicxml
