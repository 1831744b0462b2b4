// Speed of the batch rename: 10,000 files renamed by a rule with a date token and a sequence
// number ("<oldFileNameNoExt>_<Date;File Modified;yyyymodd>_" number of five digits
// ".<oldFileExtension>"), the whole run (folder check, listing, per-file check, rename that never
// replaces, undo journal) against perl's rename (file-rename or prename, Debian package "rename")
// doing the same renames on an identical folder. Each side gets a fresh folder for each of three
// timed runs; the figure is the median. Then the preview's work per keystroke on a folder of
// 100,000 files: the five samples' new names (with the check that each name is free) and, for the
// folder mode, finding the samples in the folder.
// Usage: bench_rename [files]. Output: one "name: value unit" per line.
#include "bench/bench_support.h"
#include "core/date_tokens.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/undo_journal.h"
#include "platform/test_home.h"
#include "tools/renaming/rename_preview.h"
#include "tools/renaming/rename_run.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utime.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kStartRule = "<oldFileNameNoExt>_<Date;File Modified;yyyymodd>_";
constexpr const char* kEndRule = ".<oldFileExtension>";
// The same renames in perl: name_yyyymodd_nnnnn.ext, numbered in the order given.
constexpr const char* kPerlRule =
    "our $n; my @t = localtime((lstat $_)[9]); "
    "s{([^/]*)\\.([^./]*)$}{sprintf('%s_%04d%02d%02d_%05d.%s', $1, $t[5] + 1900, $t[4] + 1, $t[3], ++$n, $2)}e";

const std::vector<std::string> kExtensions = {"jpg", "txt", "pdf", "mp3", "docx"};

// files names in name order, "IMG_0001.jpg" style, with modification dates spread over a year.
std::vector<std::string> makeFolder(const std::string& dir, int files) {
  fs::create_directories(dir);
  std::vector<std::string> names;
  for (int i = 0; i < files; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "IMG_%05d.%s", i, kExtensions[static_cast<std::size_t>(i) % kExtensions.size()].c_str());
    const std::string path = dir + name;
    std::ofstream(path) << "x";
    const struct utimbuf t{.actime = 1700000000 + i * 3000, .modtime = 1700000000 + i * 3000};
    (void)::utime(path.c_str(), &t);
    names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// The first of file-rename and prename on PATH, or "".
std::string perlRename() {
  for (const char* name : {"file-rename", "prename"}) {
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "";
    while (!rest.empty()) {
      const std::size_t colon = rest.find(':');
      const std::string candidate = rest.substr(0, colon) + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
      if (colon == std::string::npos) break;
      rest.erase(0, colon + 1);
    }
  }
  return {};
}

int run(const std::string& program, std::vector<std::string> args) {
  std::vector<char*> argv;
  args.insert(args.begin(), program);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure shows as soon as it is measured
  QCoreApplication app(argc, argv);
  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  QTemporaryDir tmp;
  if (!tmp.isValid()) return 1;
  const std::string base = tmp.path().toStdString() + "/";
  // The journals and settings of the runs go to a home of their own.
  const platform::testing::IsolatedHome home(base, platform::testing::IsolatedHome::perVariable("env/"));
  core::setSettingsWord("vardulek");
  core::coreState().appPath = base + "app/";
  core::coreState().tempPath = base + "temp/";
  fs::create_directories(core::coreState().appPath);
  fs::create_directories(core::coreState().tempPath);

  const std::string peer = perlRename();
  std::vector<double> ours, theirs;
  std::vector<std::string> ourNames, theirNames;
  for (int trial = 0; trial < 3; ++trial) {
    const std::string mine = base + "ours" + std::to_string(trial) + "/";
    makeFolder(mine, files);
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = mine;
    core::Pipeline pipe(host);
    const std::vector<std::string> texts(40, "m");
    const core::MessageTable msg(texts);
    long long renamed = 0;
    ours.push_back(bench::secondsOf([&] {
      renamed = tools::ren::renameRun(pipe, nullptr,
                                      {.startRule = kStartRule, .endRule = kEndRule, .sequence = true,
                                       .startNumber = 1, .width = 5},
                                      msg)
                    .renamed;
    }));
    if (renamed != files) std::fprintf(stderr, "ours renamed %lld of %d files\n", renamed, files);
    ourNames = namesIn(mine);

    if (peer.empty()) continue;
    const std::string copy = base + "peer" + std::to_string(trial) + "/";
    std::vector<std::string> args = {"-e", kPerlRule, "--"};
    for (const std::string& n : makeFolder(copy, files)) args.push_back(copy + n);
    int code = -1;
    theirs.push_back(bench::secondsOf([&] { code = run(peer, args); }));
    if (code != 0) std::fprintf(stderr, "%s ended with %d\n", peer.c_str(), code);
    theirNames = namesIn(copy);
  }
  std::printf("files: %d count\n", files);
  std::printf("rename_run: %.3f s\n", median(ours));
  if (peer.empty()) {
    std::fprintf(stderr, "no file-rename or prename on PATH (Debian package \"rename\"): no ratio\n");
  } else {
    if (ourNames != theirNames) std::fprintf(stderr, "the two runs gave different names\n");
    std::printf("perl_rename: %.3f s\n", median(theirs));
    std::printf("rename_run_ratio: %.2f x\n", median(ours) / median(theirs));
  }

  // The journal's part of the run: the same number of records, each written to the file as the run
  // writes them (one write per rename), timed alone; and the same records only made into text,
  // which is what the journal cost when it kept its records in memory until the end.
  const std::string folder = base + "ours0/";
  const auto recordOf = [&](int i) {
    const std::string n = std::to_string(i);
    return core::JournalRecord{.from = folder + "IMG_" + n + ".jpg",
                               .to = folder + "IMG_" + n + "_20240101_" + n + ".jpg"};
  };
  std::vector<double> journal, texts;
  std::size_t bytes = 0;
  for (int trial = 0; trial < 5; ++trial) {
    journal.push_back(bench::secondsOf([&] {
      core::JournalWriter writer(core::kRenameJournal, '1');
      for (int i = 0; i < files; ++i) (void)writer.add(recordOf(i));
      (void)writer.finish();
    }));
    texts.push_back(bench::secondsOf([&] {
      std::string buffer;
      for (int i = 0; i < files; ++i) buffer += core::journalRecordText(core::JournalLayout::Rename, recordOf(i));
      bytes += buffer.size();
    }));
  }
  const double writes = std::max(0.0, median(journal) - median(texts));
  std::printf("rename_journal: %.4f s\n", median(journal));
  std::printf("rename_journal_share: %.2f %%\n", 100.0 * median(journal) / median(ours));
  std::printf("rename_journal_writes_share: %.2f %%\n", 100.0 * writes / median(ours));
  if (bytes == 0) return 1;

  // The preview on a folder of 100,000 files: what each keystroke recomputes.
  const std::string big = base + "big/";
  const std::vector<std::string> bigNames = makeFolder(big, 100000);
  const std::vector<std::string> samples(bigNames.begin(), bigNames.begin() + 5);
  const tools::ren::PreviewOptions preview{
      .startRule = tools::ren::shortenTokens(kStartRule), .endRule = tools::ren::shortenTokens(kEndRule),
      .sequence = true, .startNumber = 1, .width = 5, .folder = big, .runStamp = core::nowDateStamp()};
  std::size_t rows = 0;
  const double keystroke = bench::warmMedianSeconds(21, [&] { rows = tools::ren::buildPreview(samples, preview).size(); });
  std::printf("preview_100000_files: %.3f ms\n", keystroke * 1000);
  const double folderSamples = bench::warmMedianSeconds(5, [&] { rows += tools::ren::listFolderItems(big, false).size(); });
  std::printf("preview_folder_samples_100000_entries: %.3f ms\n", folderSamples * 1000);
  return rows == 0 ? 1 : 0;
}
