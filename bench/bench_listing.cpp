// Speed of the file-list engine on a folder of 100,000 files: listing and sorting as the visible
// list does, a tool's job walk against `find`, and the cost of a long selection pattern. Makes its
// own folder in a temporary folder unless one is given as the first argument. Prints one line per
// figure as "name: value unit" (medians of 5 warm runs).
#include "bench/bench_support.h"
#include "main_window/file_list_engine.h"
#include "main_window/file_sort.h"
#include "main_window/folder_listing.h"
#include "main_window/selection_pattern.h"
#include "main_window/widgets/file_list_model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace mainwin;

constexpr int kFiles = 100000;
constexpr int kRuns = 5;

double medianMs(const std::function<void()>& run) { return bench::warmMedianSeconds(kRuns, run) * 1e3; }

bool makeFolder(const std::string& dir) {
  static const char* const kExt[] = {".txt", ".jpg", ".PNG", ".tar.gz", ".cpp", ".h", "", ".Doc"};
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = dir + (i % 3 ? "file" : "Img_") + std::to_string(i) + kExt[i % 8];
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = ::ftruncate(fd, (i * 7919) % 50000) == 0;  // sparse: sizes without writing
    ::close(fd);
    if (!ok) return false;
  }
  return true;
}

double findMs(const std::string& dir, const char* format) {
  return medianMs([&] {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start("find", {QString::fromStdString(dir), "-maxdepth", "1", "-printf", format});
    p.waitForFinished(-1);
  });
}

void print(const char* name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name, value, unit);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  // The model figures need a GUI application (icons); no screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  std::string dir;
  if (argc > 1) {
    dir = normalizeFolder(argv[1]);
  } else {
    if (!tmp.isValid()) return 1;
    dir = tmp.path().toStdString() + "/";
    QElapsedTimer t;
    t.start();
    if (!makeFolder(dir)) {
      std::fprintf(stderr, "cannot create the files in %s\n", dir.c_str());
      return 1;
    }
    print("make_folder", static_cast<double>(t.elapsed()), "ms");
  }

  const ResolvedFilter none;
  std::size_t count = 0;
  print("list_sort_name", medianMs([&] {
          count = listFolder(dir, none, 0, SortState{}).entries.size();
        }), "ms");
  print("entries", static_cast<double>(count), "files");
  const std::uint8_t all = kDetailSize | kDetailTimes | kDetailAttrs;
  print("list_sort_name_all_columns", medianMs([&] {
          (void)listFolder(dir, none, all, SortState{});
        }), "ms");

  Listing listed = listFolder(dir, none, all, SortState{});
  print("resort_size_desc", medianMs([&] { sortEntries(listed.entries, {kColSize, true}); }), "ms");
  print("resort_name", medianMs([&] { sortEntries(listed.entries, {kColName, false}); }), "ms");

  // A tool's job walk, no filter, name order, against find printing the names.
  FileListEngine engine;
  const double walk = medianMs([&] {
    std::string f = dir;
    (void)engine.fillJobWalk(f);
  });
  const double findNames = findMs(dir, "%f\n");
  print("job_walk_plain", walk, "ms");
  print("find_names", findNames, "ms");
  print("job_walk_plain_ratio", walk / findNames, "x");

  // With a size filter and size order, against find printing sizes and names.
  engine.filters().panelShown = true;
  engine.filters().sizeOn = true;
  engine.filters().sizeIs = kSizeGreater;
  engine.filters().sizeLimit = 1000;
  engine.sort() = {kColSize, false};
  const double walkSize = medianMs([&] {
    std::string f = dir;
    (void)engine.fillJobWalk(f);
  });
  const double findSizes = findMs(dir, "%s %f\n");
  print("job_walk_size", walkSize, "ms");
  print("find_sizes", findSizes, "ms");
  print("job_walk_size_ratio", walkSize / findSizes, "x");

  // A selection of names making an 8,999-character pattern, with case folding.
  std::vector<std::string> selected;
  std::size_t length = 0;
  for (std::size_t i = 0; i < listed.entries.size(); i += 37) {
    const std::string& n = listed.entries[i].name;
    if (length + n.size() + 1 > 8999) break;
    selected.push_back(n);
    length += n.size() + 1;
  }
  const PatternBuild build = buildSelectionPattern(selected, NameContext{false, nullptr});
  if (!build.ok()) return 1;
  FilterSettings s;
  s.panelShown = s.extensionOn = true;
  s.extensionText = build.text;
  std::size_t kept = 0;
  const double withPattern = medianMs([&] {
    kept = listFolder(dir, resolveFilters(s), 0, SortState{}).entries.size();
  });
  const double without = medianMs([&] { (void)listFolder(dir, none, 0, SortState{}); });
  print("selection_pattern_length", static_cast<double>(build.text.size()), "chars");
  print("selection_pattern_kept", static_cast<double>(kept), "files");
  print("selection_pattern_list", withPattern, "ms");
  print("selection_pattern_added", std::max(0.0, withPattern - without), "ms");

  // The visible list: list + sort by name + the table model ready (one reset), with the detail
  // columns hidden and icons off, then with every column computed and the icons assigned.
  FileListEngine visible;
  visible.setColumnWidth(kColName, 3960);
  FileListModel model;
  model.setIconsShown(false);
  print("model_ready_no_columns", medianMs([&] {
          FileListEngine::VisibleFill fill = visible.fillVisible(dir);
          model.setEntries(std::move(fill.listing.entries), fill.listing.folder);
        }), "ms");
  for (int c = kColSize; c <= kColAttrs; ++c) visible.setColumnWidth(c, 1500);
  model.setIconsShown(true);
  print("model_ready_all_columns_icons", medianMs([&] {
          FileListEngine::VisibleFill fill = visible.fillVisible(dir);
          model.setEntries(std::move(fill.listing.entries), fill.listing.folder);
        }), "ms");
  print("model_rows", static_cast<double>(model.rowCount()), "files");
  print("icon_lookups", static_cast<double>(model.icons().lookups()), "extensions");
  print("model_resort_size_desc", medianMs([&] { model.sortBy({kColSize, true}); }), "ms");
  print("model_resort_name", medianMs([&] { model.sortBy({kColName, false}); }), "ms");
  return 0;
}
