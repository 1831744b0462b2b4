// Speed and memory of the file-list engine at scale: listing and sorting as the visible list
// does, a tool's job walk against `find`, re-sorts, the visible list's model ready with every
// column and icon, and a long selection pattern. Takes file counts (default 100000), e.g.
// `bench_listing 100000 1000000`, and optionally `--dir BASE`: each count's folder of empty
// (sparse) files is made once as BASE/files_<count>/ and reused by later runs; without --dir it
// is made in a temporary folder and removed. Prints "name_<count>: value unit" lines (medians of
// warm runs), the peak memory a file costs, and the growth of list + sort from the smallest count
// to the largest.
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
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace mainwin;

int gRuns = 5;
std::string gSuffix;

double medianMs(const std::function<void()>& run) { return bench::warmMedianSeconds(gRuns, run) * 1e3; }

// Names as mail stores and photo dumps have them: two numbers, mixed extensions and case.
bool makeFolder(const std::string& dir, int files) {
  static const char* const kExt[] = {".txt", ".jpg", ".PNG", ".tar.gz", ".cpp", ".h", "", ".Doc"};
  if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return false;
  char name[64];
  for (int i = 0; i < files; ++i) {
    std::snprintf(name, sizeof name, "%s_%07d_%05d%s", i % 3 ? "file" : "Img", i, (i * 7919) % 100000,
                  kExt[i % 8]);
    const std::string path = dir + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = ::ftruncate(fd, (i * 7919) % 50000) == 0;  // sparse: sizes without disk blocks
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

double statusKb(const char* field);

void print(const char* name, double value, const char* unit) {
  std::printf("%s%s: %.3f %s\n", name, gSuffix.c_str(), value, unit);
  if (std::getenv("BENCH_TRACE_PEAK")) {
    const struct mallinfo2 m = mallinfo2();
    std::printf("#   peak so far %.0f MB; heap %zu MB (in use %zu, free %zu), mmapped %zu MB\n",
                statusKb("VmHWM") / 1024, m.arena >> 20, m.uordblks >> 20, m.fordblks >> 20, m.hblkhd >> 20);
  }
  std::fflush(stdout);
}

// A /proc/self/status field in kB (VmRSS, VmHWM), 0 when unreadable.
double statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t len = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, len, field) == 0 && line.size() > len && line[len] == ':')
      return std::atof(line.c_str() + len + 1);
  }
  return 0;
}

// Starts a new peak: the kernel resets VmHWM to the current resident size.
void resetPeak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
}

// Runs every figure on `dir` (holding `files` files); returns list + sort by name in ms.
double benchFolder(const std::string& dir, int files) {
  gSuffix = "_" + std::to_string(files);
  gRuns = files >= 500000 ? 3 : 5;
  const double baseKb = statusKb("VmRSS");
  resetPeak();

  const ResolvedFilter none;
  std::size_t count = 0;
  const double listSort = medianMs([&] { count = listFolder(dir, none, 0, SortState{}).entries.size(); });
  print("list_sort_name", listSort, "ms");
  print("entries", static_cast<double>(count), "files");
  const std::uint8_t all = kDetailSize | kDetailTimes | kDetailAttrs;
  print("list_sort_name_all_columns", medianMs([&] { (void)listFolder(dir, none, all, SortState{}); }), "ms");

  {
    Listing listed = listFolder(dir, none, all, SortState{});
    print("resort_size_desc", medianMs([&] { sortEntries(listed.entries, {kColSize, true}); }), "ms");
    print("resort_name", medianMs([&] { sortEntries(listed.entries, {kColName, false}); }), "ms");

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
    if (build.ok()) {
      FilterSettings s;
      s.panelShown = s.extensionOn = true;
      s.extensionText = build.text;
      std::size_t kept = 0;
      const double withPattern =
          medianMs([&] { kept = listFolder(dir, resolveFilters(s), 0, SortState{}).entries.size(); });
      print("selection_pattern_length", static_cast<double>(build.text.size()), "chars");
      print("selection_pattern_kept", static_cast<double>(kept), "files");
      print("selection_pattern_list", withPattern, "ms");
      print("selection_pattern_added", std::max(0.0, withPattern - listSort), "ms");
    }
  }

  {
    // A tool's job walk against find printing what the walk needs, as "<label>" figures.
    FileListEngine engine;
    const auto walkAgainstFind = [&](const std::string& label, const char* findFormat) {
      const double walk = medianMs([&] {
        std::string f = dir;
        (void)engine.fillJobWalk(f);
      });
      const double peer = findMs(dir, findFormat);
      print(("job_walk_" + label).c_str(), walk, "ms");
      print(("find_" + label).c_str(), peer, "ms");
      print(("job_walk_" + label + "_ratio").c_str(), walk / peer, "x");
    };
    walkAgainstFind("plain", "%f\n");  // no filter, name order: find printing the names
    // A size filter and size order, against find printing sizes and names.
    engine.filters().panelShown = true;
    engine.filters().sizeOn = true;
    engine.filters().sizeIs = kSizeGreater;
    engine.filters().sizeLimit = 1000;
    engine.sort() = {kColSize, false};
    walkAgainstFind("size", "%s %f\n");
  }

  {
    // The visible list: list + sort by name + the table model ready (one reset) and the rows a
    // window shows first asked for every role, with the detail columns hidden and icons off,
    // then with every column shown and the icons on.
    FileListEngine visible;
    visible.setColumnWidth(kColName, 3960);
    FileListModel model;
    model.setIconsShown(false);
    const auto firstScreen = [&] {
      const int rows = std::min(model.rowCount(), 60);
      for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
          const QModelIndex i = model.index(r, c);
          for (int role : {Qt::DisplayRole, Qt::DecorationRole, Qt::ForegroundRole}) (void)model.data(i, role);
        }
      }
    };
    const auto ready = [&] {
      model.setEntries({}, dir);  // as the window does: the old list goes before the new one comes
      FileListEngine::VisibleFill fill = visible.fillVisible(dir);
      model.setEntries(std::move(fill.listing.entries), fill.listing.folder);
      firstScreen();
    };
    print("model_ready_no_columns", medianMs(ready), "ms");
    for (int c = kColSize; c <= kColAttrs; ++c) visible.setColumnWidth(c, 1500);
    model.setIconsShown(true);
    print("model_ready_all_columns_icons", medianMs(ready), "ms");
    print("model_rows", static_cast<double>(model.rowCount()), "files");
    print("icon_lookups", static_cast<double>(model.icons().lookups()), "extensions");
    print("model_resort_size_desc", medianMs([&] { model.sortBy({kColSize, true}); }), "ms");
    print("model_resort_name", medianMs([&] { model.sortBy({kColName, false}); }), "ms");
  }

  const double peakKb = statusKb("VmHWM");
  print("peak_memory", (peakKb - baseKb) / 1024.0, "MB");
  print("peak_memory_per_file", (peakKb - baseKb) * 1024.0 / files, "bytes");
  return listSort;
}

}  // namespace

int main(int argc, char** argv) {
  // The model figures need a GUI application (icons); no screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::string base;
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      base = normalizeFolder(argv[++i]);
    } else {
      const int n = std::atoi(argv[i]);
      if (n <= 0) {
        std::fprintf(stderr, "usage: bench_listing [--dir BASE] [COUNT...]\n");
        return 2;
      }
      counts.push_back(n);
    }
  }
  if (counts.empty()) counts.push_back(100000);
  std::sort(counts.begin(), counts.end());
  QTemporaryDir tmp;
  if (base.empty()) {
    if (!tmp.isValid()) return 1;
    base = tmp.path().toStdString() + "/";
  }

  std::vector<double> listSort;
  for (int files : counts) {
    gSuffix = "_" + std::to_string(files);
    const std::string dir = base + "files_" + std::to_string(files) + "/";
    const std::string done = base + "files_" + std::to_string(files) + ".done";
    if (::access(done.c_str(), F_OK) != 0) {
      QElapsedTimer t;
      t.start();
      if (!makeFolder(dir, files)) {
        std::fprintf(stderr, "cannot create the files in %s\n", dir.c_str());
        return 1;
      }
      const int fd = ::open(done.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      if (fd >= 0) ::close(fd);
      print("make_folder", static_cast<double>(t.elapsed()), "ms");
    }
    listSort.push_back(benchFolder(dir, files));
  }
  if (counts.size() > 1 && listSort.front() > 0) {
    gSuffix.clear();
    std::printf("# list + sort growth from %d to %d files (n log n would be about %.1fx)\n", counts.front(),
                counts.back(),
                static_cast<double>(counts.back()) / counts.front() * std::log2(counts.back()) /
                    std::log2(counts.front()));
    print("list_sort_growth_ratio", listSort.back() / listSort.front(), "x");
  }
  return 0;
}
