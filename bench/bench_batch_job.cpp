// Speed of the batch job compile against GNU find writing the same lines with -printf, on 100,000
// files in 100 folders, in one run of this program. Ours walks as the builder does (the pipeline
// over a scripted host that lists the real folders, the deepest folders first), quotes every name
// for where it lands and writes the job under a temporary name; find only prints the paths as they
// are (no quoting), so it is the floor of what such a job can cost; with date tokens find reads
// each file's times too. The goal is a ratio (ours / find) of at most 2 with dates. Usage: bench_batch_job [folder] (default: a temporary folder, removed at the
// end). Output: one "name: value unit" per line.
#include "bench/bench_support.h"
#include "bench/bench_workspace.h"
#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "tools/file_ops/batch_job.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace tools::file_ops;

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;

core::MessageTable messages() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 40; ++n) texts.push_back("{" + std::to_string(n) + "}");
  return core::MessageTable(texts);
}

long long compileOurs(const fs::path& tree, const fs::path& job, bool withDates) {
  core::ScriptedRunHost host;
  host.realListing = true;
  host.mainFolder = tree.string() + "/";
  core::Pipeline pipe(host);
  const std::string file = withDates ? "cp -- <myFold><myDosFile> \"<myFold><myFile> <DM;yyyymodd>.<myExt>\"\n"
                                     : "cp -- <myFold><myDosFile> \"<myFold><myFile> copy.<myExt>\"\n";
  const BatchJobResult r = compileBatchJob(
      pipe, nullptr,
      {.code = {.templates = {.head = "set -e\n", .fold = "cd <myFold>\n", .file = file}},
       .withSubfolders = true,
       .startFolder = tree.string() + "/",
       .jobPath = job.string(),
       .endText = "ockbnd\n",
       .wendlePath = "/usr/lib/corvane/Wendle",
       .todayStamp = "01/02/2025 03:04:05"},
      messages());
  return r.written ? r.files : -1;
}

// withDates: each line also names the file's modification date, which makes find read each file's
// times as ours always does (its -type f alone reads only the folder entries).
int compileFind(const fs::path& tree, const fs::path& job, bool withDates) {
  const std::string line = withDates ? "cp -- %p \"%h/%f %TY%Tm%Td\"\\n" : "cp -- %p \"%h/%f copy\"\\n";
  const std::string command = "find '" + tree.string() + "' -type f -printf '" + line + "' > '" + job.string() + "'";
  return std::system(command.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  bench::Workspace workspace(argc, argv, "batch");
  if (!workspace.ok()) return 1;
  const fs::path& root = workspace.root();
  if (std::system("find --version >/dev/null 2>&1") != 0) {
    std::fprintf(stderr, "GNU find is not installed\n");
    return 1;
  }

  const fs::path tree = root / "tree";
  std::printf("data_build: %.2f s\n", bench::secondsOf([&] {
                for (int d = 0; d < kFolders; ++d) {
                  const fs::path folder = tree / ("folder " + std::to_string(d)) / "inner";
                  fs::create_directories(folder);
                  for (int f = 0; f < kFilesPerFolder; ++f) {
                    std::ofstream(folder / ("file's $" + std::to_string(f) + ".txt")) << "x";
                  }
                }
              }));

  const fs::path ourJob = root / "ours.sh", peerJob = root / "find.sh";
  long long files = 0;
  const double ours = bench::warmMedianSeconds(3, [&] { files = compileOurs(tree, ourJob, false); });
  const double dated = bench::warmMedianSeconds(3, [&] { (void)compileOurs(tree, ourJob, true); });
  int findStatus = 0;
  const double peer = bench::warmMedianSeconds(3, [&] { findStatus |= compileFind(tree, peerJob, false); });
  const double peerDated = bench::warmMedianSeconds(3, [&] { findStatus |= compileFind(tree, peerJob, true); });
  if (files != static_cast<long long>(kFolders) * kFilesPerFolder || findStatus != 0) {
    std::fprintf(stderr, "a compile failed (ours: %lld files, find: status %d)\n", files, findStatus);
    return 1;
  }
  std::printf("compile_100k_files: %.3f s\n", ours);
  std::printf("compile_100k_files_with_dates: %.3f s\n", dated);
  std::printf("find_printf_100k_files: %.3f s\n", peer);
  std::printf("find_printf_100k_files_with_dates: %.3f s\n", peerDated);
  std::printf("compile_find_ratio: %.2f x\n", ours / peer);
  std::printf("compile_with_dates_find_ratio: %.2f x\n", dated / peerDated);
  std::printf("job_size: %.1f MB\n", static_cast<double>(fs::file_size(ourJob)) / 1e6);
  return 0;
}
