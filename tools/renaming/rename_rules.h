// The token language of the batch rename tool: a rule is free text mixed with tokens in angle
// brackets. The window shows the long tokens ("<oldFileNameNoExt>"); before a run or a preview the
// rule is shortened ("<ofn>") and then expanded once for every file or folder. Also here: the
// sequence number's text, the finishing of a built name and the check of a rule on a sample.
//
//   const std::string rule = tools::ren::shortenTokens("<FileWord1>_<Date;File Modified;yyyymodd>");
//   const tools::ren::RuleContext ctx{.mode = tools::ren::RenameMode::Files,
//                                     .runStamp = core::nowDateStamp()};
//   std::string name = tools::ren::expandTokens("/photos/", "My holiday.jpg", rule, ctx)
//                      + tools::ren::sequenceText(7, 3) + tools::ren::expandTokens(..., endRule, ctx);
//   name = tools::ren::finishName(name);            // "My_20240307007.jpg" ...
//   if (!tools::ren::isUsableName(name)) { refuse }
//
// Tokens (short form after shortenTokens; the long forms are what the menus insert):
//   <ofn>  old name without extension   <ofe>  old extension      <ofon> folder name
//   <DM;fmt> <DC;fmt> <DA;fmt> <DT;fmt>  modified, created, accessed time, the run's stamp
//   <RC>   a random letter a-z          <FWn>  word n (1-10) of the old name
//   <CSs;l> characters s.. (l long)     <TB4D> <TAfD> text before / after the first "-"
// Values taken from a name are inserted as they are: nothing inserted is read as a token again,
// so a file named "a<RC>.txt" keeps its characters. Every ">" of the rule's own text that is not
// part of a token is dropped; a "<" that starts no token stays (and fails the sample check).
#pragma once

#include "platform/fs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tools::ren {

enum class RenameMode : std::uint8_t {
  Files,    // the files of the folders: <ofn> and <ofe> split the name at its last "."
  Folders,  // the folders themselves: the base is the whole name, <ofn> and <ofe> stay unexpanded
};

// The rules of a new window (the file mode's pair; the folder mode's pair below).
inline constexpr std::string_view kDefaultStartRule = "<oldFileNameNoExt>";
inline constexpr std::string_view kDefaultEndRule = ".<oldFileExtension>";
inline constexpr std::string_view kDefaultFolderStartRule = "<oldFolderName>";
inline constexpr std::string_view kDefaultFolderEndRule = "";

// The widest sequence number (characters) and the texts the window's boxes accept.
inline constexpr int kMaxSequenceWidth = 255;
inline constexpr std::string_view kStartNumberCharacters = "0123456789-";

// Gives the letter of each <RC>.
using LetterSource = std::function<char()>;

struct RuleContext {
  RenameMode mode = RenameMode::Files;
  // The run's "dd/mm/yyyy hh:mm:ss": <DT;...>, and every date token in folder mode.
  std::string runStamp{};
  // The letters of <RC>; empty: a random letter a-z each time.
  LetterSource letters{};
};

// The rule with its long tokens replaced by the short ones (case-sensitive; the format of a date
// token and the "start;length>" of a custom substring stay as typed).
[[nodiscard]] std::string shortenTokens(std::string_view rule);

// The rule (short form) expanded for one item. folder: in file mode the folder holding the file
// (ending with "/") or "" (no file to read: <ofon> gives "foldername", file dates take the run's
// stamp); ignored in folder mode. name: the file's name, or the folder's own name. A file's dates
// are those of the entry itself (a symbolic link is not followed); a time the file system does
// not keep formats as nothing. A custom substring with a start below 1 or a negative length makes
// the whole result "". status: the entry's status where the caller has just taken it (not
// following a link), so that its dates are not looked up again; nullptr: looked up when needed.
[[nodiscard]] std::string expandTokens(std::string_view folder, std::string_view name, std::string_view shortRule,
                                       const RuleContext& ctx, const platform::FileStatus* status = nullptr);

// Removes trailing blanks (leading ones stay).
void trimName(std::string& name);
// A built name as it is used: trailing blanks removed, then exactly one trailing "." (what
// ".<oldFileExtension>" leaves on a name without extension) and the blanks before it. "notes" +
// "." gives "notes"; "notes." + "." gives "notes.".
[[nodiscard]] std::string finishName(std::string name);
// False for a name no entry can take: "", ".", "..", or one holding "/" or a NUL byte.
[[nodiscard]] bool isUsableName(std::string_view name);

// True when the rule (long form) expands cleanly on the sample "filename.extension" (file mode)
// or "foldername": no "<" or ">" is left and no custom substring is out of range.
[[nodiscard]] bool checkRuleSample(std::string_view rule, RenameMode mode);

// The number's decimal text ("-" first when negative) with "0" put in front up to width
// characters; never cut. Width is bounded by kMaxSequenceWidth.
[[nodiscard]] std::string sequenceText(std::int64_t number, int width);
// The start number of the box's text: its whole part (Val), 0 for no number, bounded to 64 bits.
[[nodiscard]] std::int64_t startNumberOf(std::string_view text);
// The width of the box's text, rounded, within 0..kMaxSequenceWidth.
[[nodiscard]] int widthOf(std::string_view text);
// The number after n (saturates at the 64-bit maximum instead of overflowing).
[[nodiscard]] std::int64_t nextNumber(std::int64_t n);

}  // namespace tools::ren
