// Batch code files ("*.qw", the builder's own state file "frmCmd.txt" and the shipped "Append.qw"):
// the builder's four templates and its file choice, kept in the form-state format (core/form_state.h)
// under the names of the builder's controls, so that the builder's state file and a code file are
// read alike. Input is untrusted: any text gives a code or a refusal, never a crash.
//
// Example:
//   const std::optional<BatchCode> code = parseBatchCode(*core::readBits(path));
//   if (!code) refuse: not a batch code file;
//   (void)core::OutputFile(path, batchCodeText(*code));
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tools::file_ops {

// What the job covers in each folder: every file, read-only files, files with the archive flag,
// or no files at all (one text per folder).
enum class BatchFilter : std::uint8_t { All, ReadOnly, Archive, Folders };

struct BatchTemplates {
  std::string head{}, fold{}, file{}, tail{};
  friend bool operator==(const BatchTemplates&, const BatchTemplates&) = default;
};

// Far above any code file a person writes: a larger file is refused unread.
inline constexpr std::uint64_t kMaxCodeFileBytes = std::uint64_t{16} << 20;

struct BatchCode {
  BatchTemplates templates{};
  BatchFilter filter = BatchFilter::All;
  friend bool operator==(const BatchCode&, const BatchCode&) = default;
};

// Control names: "txtHead", "txtFold", "txtFile", "txtTail"; "optAll", "optRead", "optArchive",
// "optFold" ("True" for the chosen one).
inline constexpr std::string_view kCodeHeader = "qw9C";

// The text without carriage returns (job files have LF line ends).
[[nodiscard]] std::string withoutCarriageReturns(std::string_view text);

// A code from a file's text. nullopt when the text does not begin with "qw9C" or is no form-state
// text. Templates missing from the text are empty; carriage returns are removed from each; the
// first option holding "True" in the order All, ReadOnly, Archive, Folders is the filter (All when
// none does).
[[nodiscard]] std::optional<BatchCode> parseBatchCode(std::string_view text);

// The code as the text of a code file (what parseBatchCode reads back as the same code).
[[nodiscard]] std::string batchCodeText(const BatchCode& code);

}  // namespace tools::file_ops
