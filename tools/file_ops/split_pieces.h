// The splitter's piece names, size plans and rejoin script: what the splitter writes and the
// joiner reads back.
//
//   splitPieceName("report.doc", 3, 2)     // "report.doc 3QWsplit.2"
//   splitPieceName("a.bin", 12, 1)         // "a.bin 12QWsplit.01"
//   parseSplitPieceName("a.bin 12qwsplit.01")  // {.output = "a.bin", .count = 12, .index = 1, ...}
//
// A piece is named N + " " + count + "QWsplit." + index, the index zero-padded to the width of the
// count. Readers take the marker in any letter case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tools::file_ops {

inline constexpr std::string_view kSplitMarker = "QWsplit.";
inline constexpr std::uint64_t kSplitMaxPieces = 999;
// Pieces are read and written in chunks of at most this many bytes, whatever the piece size.
inline constexpr std::uint64_t kSplitChunk = 1600000;

// Units of the size box, in the order of the unit list.
enum class SplitUnit { Bytes = 0, KB = 1, MB = 2 };

// The piece size from the size box's text (digits and ".") and the unit's list index: the whole
// number of bytes (1.5 KB gives 1536, 0.5 bytes gives 0). Any other index counts as bytes.
[[nodiscard]] std::uint64_t splitPieceSize(std::string_view text, int unitIndex);

struct SplitPlan {
  std::uint64_t count = 0;       // pieces: the size divided by the piece size, rounded up
  std::uint64_t lastLength = 0;  // bytes of the last piece (the exact remainder)
};
// The plan of a file of size bytes; count 0 when the piece size is 0.
[[nodiscard]] SplitPlan planSplit(std::uint64_t size, std::uint64_t pieceSize);

// The name of piece index (from 1) of count pieces of the file named name.
[[nodiscard]] std::string splitPieceName(std::string_view name, std::uint64_t count, std::uint64_t index);

// What a name says when it is a piece: the output's name, the piece count, this piece's index and
// the spellings it was written with (the joiner builds the other names from them).
struct SplitPieceName {
  std::string output{};      // the name before the last blank, in its own case
  std::uint64_t count = 0;
  std::uint64_t index = 0;
  std::string marker{};      // the marker as this name spells it
  std::size_t indexWidth = 0;
};
// nullopt unless name ends in " " + count + marker (any case) + index, both digits only.
[[nodiscard]] std::optional<SplitPieceName> parseSplitPieceName(std::string_view name);
// The name of piece index of the split that first belongs to, in first's spellings.
[[nodiscard]] std::string siblingPieceName(const SplitPieceName& first, std::uint64_t index);

// The rejoin script for the pieces of name (count pieces): "#!/bin/sh", a change to the script's
// own folder, myFile and myCount, the pieces of exactly this split as the arguments ($@), then
// the template. nullopt when name cannot be put into a script safely (a control character).
[[nodiscard]] std::optional<std::string> rejoinScript(std::string_view name, std::uint64_t count,
                                                      std::string_view templateText);
// The script's name: the name up to its last "." followed by "sh" (report.doc gives report.sh, a
// name without an extension gets ".sh": .bashrc gives .bashrc.sh, see core::extensionDot).
[[nodiscard]] std::string rejoinScriptName(std::string_view name);

}  // namespace tools::file_ops
