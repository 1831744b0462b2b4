#include "core/widgets/host.h"

#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/window_routines.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace core {

namespace {

BasicHost& basicHost() {
  static BasicHost h;
  return h;
}

Host* g_host = nullptr;

// Caption of a button: the common message, or Qt's own text for the standard button while the
// message table is still empty.
void addButton(QMessageBox& box, int msg, QMessageBox::StandardButton fallback,
               QMessageBox::ButtonRole role, int answer, std::vector<std::pair<QAbstractButton*, int>>& map) {
  QAbstractButton* b = nullptr;
  if (msgMain(msg).empty()) {
    b = box.addButton(fallback);
  } else {
    b = box.addButton(vb::qs(msgMain(msg)), role);
  }
  map.emplace_back(b, answer);
}

}  // namespace

void Host::formOpacity(QWidget* window, bool dim) {
  int alpha = dim ? 1 : 0;
  FormOpacity(window, alpha);
}

Host& host() { return g_host ? *g_host : basicHost(); }

BasicHost& defaultHost() { return basicHost(); }

void setHost(Host* h) { g_host = h; }

int BasicHost::respond(QWidget* caller, std::string_view style, std::string_view text,
                       std::string_view title, std::string_view dontAskKey) {
  if (!dontAskKey.empty() && !getSet(dontAskKey).empty()) return kAnswerSuppressed;
  if (!caller) caller = getForm();
  std::string caption(title);
  if (title == "W") caption = msgMain(12);
  if (title == "E") caption = msgMain(13);
  if (title == "N") caption = msgMain(14);
  if (title == "I") caption = msgMain(15);

  QMessageBox box(caller);
  box.setWindowTitle(vb::qs(caption));
  box.setText(vb::qs(vb::Replace(text, "\r\n", "\n")));
  box.setWindowIcon(icon());
  std::vector<std::pair<QAbstractButton*, int>> answers;
  QAbstractButton* escape = nullptr;
  if (style == "OAC" || style == "YNC") {
    const bool oac = style == "OAC";
    addButton(box, oac ? 16 : 19, oac ? QMessageBox::Save : QMessageBox::Yes, QMessageBox::AcceptRole,
              kAnswerFirst, answers);
    addButton(box, oac ? 17 : 20, oac ? QMessageBox::SaveAll : QMessageBox::No, QMessageBox::AcceptRole,
              kAnswerSecond, answers);
    addButton(box, 18, QMessageBox::Cancel, QMessageBox::RejectRole, kAnswerNo, answers);
    box.setIcon(QMessageBox::Question);
  } else if (style == "YN") {
    addButton(box, 19, QMessageBox::Yes, QMessageBox::YesRole, kAnswerYes, answers);
    addButton(box, 20, QMessageBox::No, QMessageBox::NoRole, kAnswerNo, answers);
  } else if (style == "O") {
    answers.emplace_back(box.addButton(QStringLiteral("&OK"), QMessageBox::AcceptRole), kAnswerYes);
    escape = answers.back().first;
  } else {
    addButton(box, 22, QMessageBox::Ok, QMessageBox::AcceptRole, kAnswerYes, answers);
    addButton(box, 18, QMessageBox::Cancel, QMessageBox::RejectRole, kAnswerNo, answers);
    box.setIcon(QMessageBox::Warning);
  }
  if (answers.size() > 1) box.setDefaultButton(qobject_cast<QPushButton*>(answers.back().first));
  if (escape) box.setEscapeButton(escape);

  const bool wasEnabled = caller && caller->isEnabled();
  if (caller) caller->setEnabled(false);
  box.exec();
  if (caller && wasEnabled) caller->setEnabled(true);
  // Closing the box without a button counts as the last button (Cancel/No, or OK).
  int answer = answers.back().second;
  for (const auto& [button, code] : answers) {
    if (box.clickedButton() == button) answer = code;
  }
  return answer;
}

std::unique_ptr<TipObject> BasicHost::makeTip(QWidget* control, QWidget* form, std::string_view tip,
                                              std::uint32_t, std::uint32_t, std::string_view) {
  QWidget* target = control ? control : form;
  if (!target) return nullptr;
  // A plain tooltip until the program's own tooltip class is installed; released with the object.
  class PlainTip : public TipObject {
   public:
    PlainTip(QWidget* w, const QString& text) : widget_(w) { w->setToolTip(text); }
    ~PlainTip() override {
      if (widget_) widget_->setToolTip(QString());
    }

   private:
    QPointer<QWidget> widget_;
  };
  return std::make_unique<PlainTip>(target, vb::qs(tip));
}

void BasicHost::setTreeHiddenColour(QWidget* folderTree, std::uint32_t colour) {
  // The folder tree control exposes its hidden-folder colour as a property when it has one.
  if (folderTree && folderTree->property("HiddenColor").isValid()) {
    folderTree->setProperty("HiddenColor", QVariant::fromValue(colour));
  }
}

void BasicHost::addForm(QWidget* form) {
  if (stack_.size() < 10) stack_.emplace_back(form);
}

void BasicHost::remForm(QWidget* form) {
  for (auto it = stack_.end(); it != stack_.begin();) {
    --it;
    if (*it == form) {
      stack_.erase(it);
      break;
    }
  }
}

QWidget* BasicHost::getForm() {
  while (!stack_.empty() && !stack_.back()) stack_.pop_back();
  return stack_.empty() ? main_.data() : stack_.back().data();
}

void BasicHost::minForm() {
  if (main_) main_->showMinimized();
}

QIcon BasicHost::icon() {
  if (main_) return main_->windowIcon();
  return QApplication::windowIcon();
}

}  // namespace core
