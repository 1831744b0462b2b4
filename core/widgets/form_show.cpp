#include "core/widgets/form_show.h"

#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "core/widgets/text_controls.h"

#include <QAction>
#include <QCoreApplication>

namespace core {

namespace {

bool isMainForm(const QWidget* w) { return w && w->objectName() == QLatin1String("frmMain"); }
bool isProgress(const QWidget* w) { return w && w->objectName() == QLatin1String("frmProgress"); }

}  // namespace

void showForm(QWidget* form, QWidget* owner, int& stateMode, int loadTips, std::string_view shortName,
              int disableOwner) {
  if (!form) return;
  Host& h = host();
  if (isMainForm(owner)) {
    if (QWidget* panel = h.framMain()) panel->setEnabled(false);
  } else if (owner && disableOwner != 0) {
    owner->setEnabled(false);
  }
  loadForm(form, stateMode, {}, shortName);
  form->setWindowIcon(h.icon());
  if (h.sMenuOpa()) h.formOpacity(form, false);
  if (!isProgress(form)) h.addForm(form);
  QCoreApplication::processEvents();
  if (loadTips != 0) loadToolTips(form);
  if (h.sMenuOpa() && disableOwner == 1 && owner) h.formOpacity(owner, true);
  form->show();
}

void hideForm(QWidget* form, QWidget* owner, int saveState, int reEnableOwner) {
  if (!form) return;
  Host& h = host();
  if (isMainForm(owner)) {
    if (QWidget* panel = h.framMain()) panel->setEnabled(true);
  } else if (owner && reEnableOwner != 0) {
    owner->setEnabled(true);
  }
  form->hide();
  if (reEnableOwner == 1 && owner && owner->isVisible()) {
    if (owner->isMinimized()) owner->setWindowState(owner->windowState() & ~Qt::WindowMinimized);
    owner->activateWindow();
    owner->setFocus();
  }
  if (saveState != 0) saveFormState(form, std::string_view{}, saveState);
  if (reEnableOwner != 0 && owner) loadToolTips(owner);
  if (!isProgress(form)) h.remForm(form);
  if (h.sMenuOpa() && reEnableOwner == 1 && owner) h.formOpacity(owner, false);
}

void enableControls(QWidget* form, std::string_view nameText, bool enable) {
  const CoreState& st = coreState();
  for (QObject* o : formControls(form)) {
    if (vb::InStr(vb::bs(o->objectName()), nameText) == 0) continue;
    if (auto* a = qobject_cast<QAction*>(o)) {
      a->setEnabled(enable);
      continue;
    }
    auto* w = qobject_cast<QWidget*>(o);
    if (!w) continue;
    w->setEnabled(enable);
    const std::string prefix = controlPrefix(o);
    if (prefix == "txt" || prefix == "com") {
      setBackColour(w, enable ? st.backColor : st.disabledColor);
      if (enable) setForeColour(w, st.foreColor);
    }
  }
}

}  // namespace core
