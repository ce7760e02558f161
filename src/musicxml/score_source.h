#pragma once

// Finds the MusicXML text in a file's bytes: the bytes themselves, or for a
// compressed .mxl the root file that META-INF/container.xml names.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sequence/piece.h"

namespace ostinel::musicxml {

// The largest MusicXML text (a file, or the unpacked root file of an .mxl)
// that is read. The largest real scores are a few MB; a hundred times that is
// a damaged or hostile file.
inline constexpr std::size_t kMaxScoreBytes = std::size_t{256} << 20;

// Whether the bytes start like a zip archive.
bool IsZipArchive(std::span<const std::uint8_t> bytes);

// Whether the bytes start like an XML document (after a byte order mark and
// blanks).
bool LooksLikeXml(std::span<const std::uint8_t> bytes);

// Unpacks the root file of an .mxl archive into `xml`. DamagedArchive,
// MissingRootFile or FileTooLarge when it cannot.
LoadResult UnpackRootFile(std::span<const std::uint8_t> archive, std::vector<std::uint8_t>& xml);

}  // namespace ostinel::musicxml
