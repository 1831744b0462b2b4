// For tests: a QTemporaryDir that also goes when it holds names that are not UTF-8. Qt removes a
// folder through text names, so such an entry (and every folder above it) would stay in /tmp after
// each run; this one removes the tree by bytes first. Header-only.
#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <system_error>

namespace platform::testing {

class TempDir : public QTemporaryDir {
 public:
  using QTemporaryDir::QTemporaryDir;
  ~TempDir() {
    if (!isValid() || !autoRemove()) return;
    std::error_code ec;
    std::filesystem::remove_all(QFile::encodeName(path()).toStdString(), ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
};

}  // namespace platform::testing
