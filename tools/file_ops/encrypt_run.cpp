#include "tools/file_ops/encrypt_run.h"

#include "core/contents_rewrite.h"
#include "core/run_driver.h"
#include "core/settings.h"
#include "core/text_routines.h"
#include "tools/file_ops/encrypt_key.h"

namespace tools::file_ops {

namespace {

class ScrambleTransform : public core::ContentTransform {
 public:
  explicit ScrambleTransform(const EncryptKey& key) : key_(key) {}
  void piece(std::string_view in, std::uint64_t offset, std::string& out) override {
    scrambleBytes(key_, in, offset, out);
  }

 private:
  const EncryptKey& key_;
};

int keyMessage(KeyStatus status) {
  switch (status) {
    case KeyStatus::TooShort: return 2;
    case KeyStatus::TooLong: return 12;
    case KeyStatus::NotWindows1252: return 13;
    case KeyStatus::Ok: break;
  }
  return 0;
}

}  // namespace

std::string storedEncryptKey() { return core::Reverse(core::getSet(kEncryptKeySetting)); }

EncryptStart encryptFiles(core::Pipeline& pipe, core::ToolForm* form, const EncryptOptions& options,
                          const core::MessageTable& msg) {
  core::saveSet(kEncryptKeySetting, core::Reverse(options.typedKey));
  const KeyCheck check = prepareEncryptKey(options.typedKey);
  if (check.status != KeyStatus::Ok) {
    pipe.host().respond(form, "O", msg(keyMessage(check.status)), "I");
    return EncryptStart::BadKey;
  }
  const std::string folder = pipe.host().dir1();
  if (pipe.checkFolderWritable(folder) != 0) return EncryptStart::Refused;
  const std::string question = msg(11) + (options.withSubfolders ? "\r\n\r\n" + msg(1) : std::string());
  if (pipe.host().respond(form, "", question, "W") == core::kAnswerNo) return EncryptStart::Declined;

  ScrambleTransform transform(check.key);
  const core::RewriteOptions rewrite{
      .pieceSize = check.key.blockSize,
      .messages = {.writeFailed = 4, .renameLabel = 6, .restoreBefore = 7, .restoreAfter = 8},
      // The original is the plaintext: a copy of it in the trash would defeat the scramble.
      .replaced = core::ReplacedContents::NeverToTrash};
  core::runFiles(
      pipe, form,
      {.withSubfolders = options.withSubfolders,
       .withHidden = options.withHidden,
       .cadence = {.every = 0, .showEachItem = true},
       .caption = msg(3),
       .refresh = core::RefreshMode::ListOnly},
      [&](core::RunItem& item) {
        const std::string path = item.path();
        if (pipe.checkFileUsable(path, {.skipEmpty = true}) == 0) return core::StepResult::Skipped;
        const core::RewriteResult done =
            core::rewriteContents(pipe, path, static_cast<long long>(item.index()), transform, rewrite);
        return done.outcome == core::RewriteOutcome::Rewritten ? core::StepResult::Done : core::StepResult::Failed;
      },
      {.onStart = [&] { pipe.addToLog(pipe.resultsText(), msg(9)); },
       .onEnd =
           [&](const core::RunOutcome& out) {
             if (out.done == 0) {
               pipe.resultsText().assign(msg(10));
             } else {
               pipe.addToLog(pipe.resultsText(), "\t");
             }
           }});
  return EncryptStart::Ran;
}

}  // namespace tools::file_ops
