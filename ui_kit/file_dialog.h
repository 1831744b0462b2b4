// frmBrowse: the program's own open and save dialog. A folder tree, the files of the chosen folder
// that match the type, a name box, the type list, a Recent menu of the last nine files and a
// Desktop item. Accepting calls the opener's loadHandle (open) or saveHandle (save) with the full
// path; the opener's 0 accepts (the path joins the recent files and the dialog closes), anything
// else keeps the dialog open. Unloaded on every close.
#pragma once

#include "ui_kit/unloading_window.h"

#include <QPointer>

#include <array>
#include <string>
#include <string_view>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;

namespace core {
class ToolForm;
}

namespace uikit {

class CtrlCmd;
class CtrlTreeDir;

// The recent-files list: nine places, most recent first, "" for an empty place.
using RecentFiles = std::array<std::string, 9>;
// Paths of this many bytes or more are never recorded.
inline constexpr std::size_t kRecentLimit = 100;
// Adds p at the top. A place that equals p exactly moves to the top (the others above it move
// down one); otherwise every entry moves down and the ninth is dropped. Long paths change nothing.
[[nodiscard]] RecentFiles addRecent(const RecentFiles& list, const std::string& p);
// "lastFile1" .. "lastFile9" of the settings, and writing them back.
[[nodiscard]] RecentFiles readRecent();
void writeRecent(const RecentFiles& list);
// The path to hand over for a typed name: "." + the type's extension is added when the name
// itself (not its folders) has no dot and the type is not the all-files entry.
[[nodiscard]] std::string withTypeExtension(const std::string& path, const std::string& typeEntry, bool allFiles);

class FrmBrowse : public UnloadingWindow {
  Q_OBJECT

 public:
  // Opens the dialog for myRef (a window that implements core::ToolForm). formType "Load" opens
  // a file, anything else saves one; fileName is the proposed name (a full path sets the folder
  // too); filePat the pattern ("" for all files). Returns at once.
  static FrmBrowse* LoadMe(QWidget* myRef, const QString& formType, const QString& fileName,
                           const QString& filePat);
  static FrmBrowse* current();

  explicit FrmBrowse(QWidget* parent = nullptr);

  // Accepts path (empty: the shown folder + the name box), as the accept button does.
  void accept(const std::string& path = {});
  // The Recent item of place (1-9); its caption is the path.
  [[nodiscard]] QAction* recentItem(int place) const;
  void menuClearClick();
  void menuDesktopClick();

  [[nodiscard]] CtrlTreeDir* tree() const { return dir1_; }
  [[nodiscard]] QLineEdit* nameBox() const { return txtFileName_; }
  [[nodiscard]] QComboBox* typeList() const { return comType_; }
  [[nodiscard]] QListWidget* fileList() const { return fileBrowse_; }
  [[nodiscard]] bool isSaveMode() const { return mode_ != "Load"; }

 protected:
  void unloadWindow() override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildRecentMenu();
  void refreshFiles();
  [[nodiscard]] std::string folder() const;
  void refused();

  CtrlTreeDir* dir1_;
  QListWidget* fileBrowse_;
  QLineEdit* txtFileName_;
  QLabel* lbl1_;
  QLabel* lblFormIs_;
  QComboBox* comType_;
  CtrlCmd* cmdStart_;
  CtrlCmd* cmdClose_;
  QMenu* recentMenu_;
  QAction* menuClear_;
  QAction* menuSep_;
  QAction* menuDesktop_;
  std::array<QAction*, 9> menuRecent_{};
  QString pattern_ = QStringLiteral("*");
  QString mode_;
  QPointer<QWidget> opener_;
};

}  // namespace uikit
