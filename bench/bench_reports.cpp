// Speed of the report tools against the programs a Linux user would reach for, in one run:
//   - the word finder over 1 GB of text in 1,000 files, with a target that occurs nowhere (every
//     byte is read), against "grep -rlF" (match case) and "grep -rliF" (ignoring case; grep folds
//     case as it compares, and so does the finder);
//   - the file lister over 100,000 files in 100 folders (tab-delimited: path, accessed date,
//     modified time, size) against "find -printf" writing the same columns to a file.
// Both tools run their whole run as the program does (folder list, the main window's job walk,
// checks, reads, the report and its spill files) on a scripted host, with the files in the page
// cache; the peers run as programs under LC_ALL=C. One untimed run of each, then the median of
// three. Goal: ratios of at most 1.5. Usage: bench_reports [megabytes] [files-to-list].
#include "bench/bench_support.h"
#include "core/language_file.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/state.h"
#include "main_window/file_list_engine.h"
#include "tools/text/find_run.h"
#include "tools/text/list_run.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kNeedle = bench::kAbsentPhrase;
constexpr int kTextFiles = 1000;
constexpr int kListFolders = 100;

// The main window's job walk in place of the main window: the listing a tool's run really gets.
class WalkHost : public core::ScriptedRunHost {
 public:
  core::UpdateFilesResult updateFiles(bool visibleList, const std::string& folder) override {
    if (visibleList) return core::kListDone;
    std::string f = folder;
    const int result = engine_.fillJobWalk(f);
    entries_.clear();
    for (const mainwin::FileEntry& e : engine_.jobEntries()) entries_.push_back(core::ListEntry{.name = e.name});
    return static_cast<core::UpdateFilesResult>(result);
  }
  [[nodiscard]] const std::vector<core::ListEntry>& listViewRoot() const override { return entries_; }
  [[nodiscard]] int listCount() const override { return static_cast<int>(entries_.size()); }

 private:
  mainwin::FileListEngine engine_;
  std::vector<core::ListEntry> entries_;
};

// The finder's texts: lines of words in files of equal size.
bool writeTexts(const std::string& dir, std::uint64_t totalBytes) {
  std::mt19937 rng(42);
  const std::uint64_t perFile = totalBytes / kTextFiles;
  std::string text;
  for (int i = 0; i < kTextFiles; ++i) {
    text.clear();
    bench::appendWordLines(text, perFile, rng);
    text.resize(perFile);
    std::ofstream out(dir + "text" + std::to_string(i) + ".txt", std::ios::binary);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size()))) return false;
  }
  return true;
}

// 100 folders of files with sizes but no data (sparse), as bench_listing makes them.
bool makeTree(const std::string& dir, int files) {
  for (int f = 0; f < kListFolders; ++f) {
    const std::string folder = dir + "folder" + std::to_string(f) + "/";
    if (::mkdir(folder.c_str(), 0755) != 0) return false;
    for (int i = 0; i < files / kListFolders; ++i) {
      const std::string name = folder + "file" + std::to_string(i) + (i % 3 ? ".txt" : ".dat");
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (fd < 0) return false;
      const bool ok = ::ftruncate(fd, (static_cast<off_t>(i) * 7919) % 50000) == 0;
      ::close(fd);
      if (!ok) return false;
    }
  }
  return true;
}

void print(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

void compare(const std::string& name, double ours, double theirs) {
  print(name, ours, "s");
  print(name + "_peer", theirs, "s");
  print(name + "_ratio", ours / theirs, "x");
}

}  // namespace

int main(int argc, char** argv) {
  // Without TZ, glibc's localtime reads /etc/localtime again at every call, which would make find
  // four times slower than it is where TZ is set. Both sides run with it set.
  if (std::getenv("TZ") == nullptr) ::setenv("TZ", ":/etc/localtime", 1);
  QCoreApplication app(argc, argv);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const int listed = argc > 2 ? std::atoi(argv[2]) : 100000;
  QTemporaryDir tmp;
  if (!tmp.isValid()) return 1;
  const std::string base = tmp.path().toStdString() + "/";
  const std::string texts = base + "texts/", tree = base + "tree/", scratch = base + "scratch/";
  for (const std::string& d : {texts, tree, scratch}) ::mkdir(d.c_str(), 0755);

  core::CoreState& st = core::coreState();
  st.appPath = st.tempPath = scratch;
  st.dataPath = QCoreApplication::applicationDirPath().toStdString() + "/../share/vardulek/";
  (void)core::loadLanguageFile("Main");
  WalkHost host;
  core::Pipeline pipe(host);

  if (!writeTexts(texts, megabytes << 20) || !makeTree(tree, listed)) {
    std::fprintf(stderr, "cannot create the files in %s\n", base.c_str());
    return 1;
  }
  print("text_size", static_cast<double>(megabytes), "MB");
  print("text_files", kTextFiles, "files");

  // The finder: every file read to its end, none matching.
  const core::MessageTable findMsg = core::readFormMessages("Find");
  for (const bool matchCase : {true, false}) {
    host.mainFolder = texts;
    bool shown = false;
    const double ours = bench::warmMedianSeconds(3, [&] {
      (void)tools::text::findWords(pipe, nullptr, {.text = kNeedle, .matchCase = matchCase}, findMsg);
      shown = host.results.back().text.find(texts + "text999.txt") != std::string::npos;
      host.results.clear();
    });
    int grepCode = -2;
    const double theirs = bench::warmMedianSeconds(3, [&] {
      grepCode = bench::runProgram("grep", {matchCase ? "-rlF" : "-rliF", kNeedle, texts}, scratch + "grep.out");
    });
    if (!shown || grepCode != 1) std::fprintf(stderr, "finder: unexpected outcome (grep exit %d)\n", grepCode);
    compare(matchCase ? "find_match_case" : "find_ignore_case", ours, theirs);
  }

  // The lister: path, accessed date, modified time and size of every file, one line each.
  const core::MessageTable listMsg = core::readFormMessages("List");
  host.mainFolder = tree;
  const tools::text::ListOptions options{
      .withSubfolders = true,
      .withPath = true,
      .dates = true,
      .layout = {.delimited = true, .columns = {.accessed = true, .modified = true, .size = true}}};
  std::size_t reportBytes = 0;
  const double ours = bench::warmMedianSeconds(3, [&] {
    (void)tools::text::listFiles(pipe, nullptr, options, listMsg);
    reportBytes = host.results.back().text.size();
    host.results.clear();
  });
  int findCode = -2;
  const double theirs = bench::warmMedianSeconds(3, [&] {
    findCode = bench::runProgram("find", {tree, "-type", "f", "-printf", "%h/%f\t%Ad/%Am/%AY\t%Td/%Tm/%TY %TH:%TM:%TS\t%s\t\n"},
                   scratch + "find.out");
  });
  if (findCode != 0 || reportBytes == 0) std::fprintf(stderr, "lister: unexpected outcome (find exit %d)\n", findCode);
  print("list_files", listed, "files");
  compare("list_delimited", ours, theirs);
  return 0;
}
