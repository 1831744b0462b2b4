// The main window's links (in place of DDE): the server "Quarrow|frmMain" for the companion
// programs (2 appearance changed, 3 an entry was renamed, 4 refresh), the batch builder's topic
// "Quarrow|frmCmd" whose opening refreshes (the refresh trigger Wendle opens it at the end of
// every batch job), and the client that tells the properties editor which file to show. Messages
// that arrive during a run or a listing wait for its end; refresh requests that arrive while one
// waits are merged into it.
#include "main_window/widgets/main_form.h"

#include "core/appearance.h"
#include "core/file_paths.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "main_window/file_entry.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "platform/program_link.h"

#include <QCoreApplication>

#include <algorithm>

namespace mainwin {

bool MainForm::linkServing() const { return server_ && server_->isListening(); }

bool MainForm::builderLinkServing() const { return builderServer_ && builderServer_->isListening(); }

void MainForm::startLinkServers() {
  server_ = new platform::LinkServer(this);
  connect(server_, &platform::LinkServer::executed, this, &MainForm::ddeCommand);
  (void)server_->listen(QStringLiteral("Quarrow"), QStringLiteral("frmMain"));
  // The opening alone refreshes the tree and the list; what is executed on this link is ignored.
  builderServer_ = new platform::LinkServer(this);
  connect(builderServer_, &platform::LinkServer::linkOpened, this, [this] { ddeCommand("4"); });
  (void)builderServer_->listen(QStringLiteral("Quarrow"), QStringLiteral("frmCmd"));
}

void MainForm::ddeCommand(const QByteArray& message) {
  // Messages wait in arrival order for the end of a run or listing. A refresh asked for while
  // one still waits adds nothing: that one lists the folder after this request came. (A refresh
  // already under way is not waiting, so a request during it is kept.)
  if (message.startsWith('4') &&
      std::find_if(pendingLinks_.begin(), pendingLinks_.end(),
                   [](const QByteArray& m) { return m.startsWith('4'); }) != pendingLinks_.end())
    return;
  pendingLinks_.push_back(message);
  if (runInProgress()) return;  // runEnded applies them
  list_->whenIdle([this] {
    while (!pendingLinks_.empty() && !list_->busy()) {
      const QByteArray m = pendingLinks_.front();
      pendingLinks_.pop_front();
      applyLinkCommand(m);
    }
  });
}

void MainForm::applyLinkCommand(const QByteArray& message) {
  if (message.isEmpty()) return;
  const char code = message.at(0);
  const QByteArray argument = message.mid(1);
  if (code == '2') {
    reloadAppearance();
  } else if (code == '3') {
    const int nul = argument.indexOf('\0');
    const std::string name = (nul < 0 ? argument : argument.left(nul)).toStdString();
    const std::string folder = currentFolder();
    if (name.empty() || folder.empty() || name.find('/') != std::string::npos) return;
    if (core::FileExist(folder + name) == 0 || core::PathExist(folder + name) != 0) return;
    const int row = pane_->currentRow();
    if (row < 0 || row >= static_cast<int>(list_->model()->entries().size())) return;
    const std::string old = list_->model()->entries()[static_cast<std::size_t>(row)].name;
    // Names compare exactly here; a case-only rename is an ordinary rename, so the old name is gone.
    if (core::FileExist(folder + old) != 0 && old != name) return;
    list_->model()->showRenamedFile(row, name);
  } else if (code == '4') {
    menuRefresh();
  }
}

void MainForm::reloadAppearance() {
  core::CoreState& st = core::coreState();
  list_->setHasLoaded(0);
  (void)core::saveFormState(this, std::string_view{}, 1);
  (void)core::loadColours();
  st.fontName = core::getSet("myFont");
  if (st.fontName.empty()) st.fontName = "MS Sans Serif";
  int stateMode = 1;
  core::loadForm(this, stateMode, {}, "Main");
  panel_->retranslate();
  list_->model()->retranslate();
  setCaptionText();
  list_->setHasLoaded(1);
  QCoreApplication::processEvents();
  core::loadToolTips(this);
  loadButtonTips();
}

void MainForm::sendToPropertiesEditor(const std::string& path) {
  // The link is opened on the first send and left open: the editor ends when it closes.
  if (!propClient_) propClient_ = new platform::LinkClient(this);
  if (!propClient_->isOpen() &&
      !propClient_->open(QStringLiteral("Properties Editor"), QStringLiteral("frmMainB"), 500)) {
    return;
  }
  (void)propClient_->execute(QByteArray::fromStdString(path), 1000);
}

void MainForm::runEnded() {
  list_->runEnded();
  while (!pendingLinks_.empty() && !runInProgress()) {
    const QByteArray m = pendingLinks_.front();
    pendingLinks_.pop_front();
    applyLinkCommand(m);
  }
  if (pendingLanguage_ >= 0 && !runInProgress()) {
    const int index = pendingLanguage_;
    pendingLanguage_ = -1;
    menuLang(index);
  }
  if (closePending_ && !runInProgress()) {
    closePending_ = false;
    formUnload(false);
  }
}

}  // namespace mainwin
