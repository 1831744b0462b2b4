#include "ui_kit/progress_window.h"

#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"
#include "ui_kit/message_box.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace uikit {

namespace {

constexpr std::uint32_t kFormColour = 0xD8E9EC;

QLabel* makeLabel(QWidget* parent, const char* name, int left, int top, int width, int height,
                  const QString& caption = {}) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(QLatin1String(name));
  l->setGeometry(px(left), px(top), px(width), px(height));
  return l;
}

void fill(QWidget* w, std::uint32_t colour) {
  w->setAutoFillBackground(true);
  QPalette p = w->palette();
  p.setColor(QPalette::Window, core::toQColor(colour));
  w->setPalette(p);
}

}  // namespace

FrmProgress::FrmProgress(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmProgress"));
  setWindowTitle(QStringLiteral("Progress"));
  fill(this, kFormColour);
  setFixedSize(px(6480), px(1485));
  const QFont bold = faceFont(vb::qs(core::coreState().fontName), 9.75, true);

  lblBig_ = makeLabel(this, "lblBig", 120, 120, 6255, 1215, QStringLiteral("Percent Complete: "));
  lblBig_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblPercent_ = makeLabel(this, "lblPercent", 2520, 120, 795, 255, QStringLiteral("0%"));
  lblFile_ = makeLabel(this, "lblFile", 3840, 120, 2520, 255);
  lblOrange_ = makeLabel(this, "lblOrange", 195, 480, 6045, 255);
  fill(lblOrange_, 0xFF0000);
  picBlue_ = makeLabel(this, "picBlue", 195, 480, 0, 255);
  fill(picBlue_, 0x0080FF);
  lblBlock_ = makeLabel(this, "lblBlock", 420, 480, 450, 270);
  fill(lblBlock_, 0x0080FF);
  lblBlock_->hide();
  lblPath_ = makeLabel(this, "lblPath", 120, 960, 5295, 495);
  lblPath_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblPath_->setWordWrap(true);
  for (QLabel* l : {lblBig_, lblPercent_, lblFile_, lblPath_}) l->setFont(bold);
  lblPath_->setFont(faceFont(vb::qs(core::coreState().fontName), 8.25, false));

  cmdSkip_ = new CtrlCmd(this);
  cmdSkip_->setObjectName(QStringLiteral("cmdSkip"));
  cmdSkip_->setCaption(QStringLiteral("&Skip"));
  cmdSkip_->setDesignSize({px(975), px(375)});
  cmdSkip_->hide();
  cmdCancel_ = new CtrlCmd(this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel_->setCaption(QStringLiteral("&Cancel"));
  cmdCancel_->setDesignSize({px(975), px(375)});
  placeButtons();
  connect(cmdCancel_, &CtrlCmd::Click, this, &FrmProgress::cmdCancelClick);
  connect(cmdSkip_, &CtrlCmd::Click, this, &FrmProgress::cmdSkipClick);

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(200);
  connect(timer1_, &QTimer::timeout, this, &FrmProgress::timerTick);
}

void FrmProgress::startBlock() {
  blockLeft_ = 420;
  lblBlock_->move(px(blockLeft_), lblBlock_->y());
  lblBlock_->show();
  lblBlock_->raise();
  timer1_->start();
}

void FrmProgress::endBlock() {
  lblBlock_->hide();
  timer1_->stop();
}

void FrmProgress::timerTick() {
  blockLeft_ += 165;
  if (blockLeft_ > 5570) blockLeft_ = 420;
  lblBlock_->move(px(blockLeft_), lblBlock_->y());
}

void FrmProgress::showSkip(bool doShow) {
  cmdSkip_->setVisible(doShow);
  pathWidth_ = doShow ? 4335 : 5295;
  placeButtons();
}

void FrmProgress::placeButtons() {
  // The percentage follows the caption before it, however long the language makes that.
  const int captionEnd = lblBig_->x() + lblBig_->fontMetrics().horizontalAdvance(lblBig_->text()) + px(60);
  lblPercent_->move(std::max(px(2520), captionEnd), lblPercent_->y());
  // Right-aligned as designed (Cancel ending at 6375 twips, Skip 105 twips left of it); a caption
  // longer than the design width widens its button to the left, and the path ends before them.
  const int top = px(960);
  cmdCancel_->move(px(6375) - cmdCancel_->width(), top);
  cmdSkip_->move(cmdCancel_->x() - px(105) - cmdSkip_->width(), top);
  const int firstButton = cmdSkip_->isVisibleTo(this) ? cmdSkip_->x() : cmdCancel_->x();
  lblPath_->resize(std::min(px(pathWidth_), firstButton + px(15) - lblPath_->x()), lblPath_->height());
}

void FrmProgress::showEvent(QShowEvent* e) {
  placeButtons();  // the captions of the language shown are in place now
  QWidget::showEvent(e);
}

void FrmProgress::setPercent(const QString& text) { lblPercent_->setText(text); }
void FrmProgress::setFileText(const QString& text) { lblFile_->setText(text); }
void FrmProgress::setPathText(const QString& text) { lblPath_->setText(text); }

void FrmProgress::setBarTwips(int width) {
  width = std::clamp(width, 0, 6015);
  picBlue_->resize(px(width), picBlue_->height());
}

void FrmProgress::showBar(bool shown) {
  picBlue_->setVisible(shown);
  lblOrange_->setVisible(shown);
}

void FrmProgress::cmdCancelClick() {
  if (isCancel == 1 || asking_) return;
  asking_ = true;
  const int answer = respond(this, "YN", core::msgMain(10), core::msgMain(11), "");
  asking_ = false;
  if (answer == 6) isCancel = 1;
}

void FrmProgress::cmdSkipClick() {
  // A confirmed Cancel stands: Skip never turns it back into a skip.
  if (isCancel != 1) isCancel = 2;
}

int FrmProgress::blockLeftTwips() const { return blockLeft_; }
int FrmProgress::pathWidthTwips() const { return pathWidth_; }
bool FrmProgress::blockRunning() const { return timer1_->isActive() && !lblBlock_->isHidden(); }

void FrmProgress::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    cmdCancelClick();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void FrmProgress::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && isMinimized()) core::host().minForm();
}

void showProgressWindow(FrmProgress* win, QWidget* owner, int loadTips) {
  if (!win) return;
  // Pushed before it shows, so that the stack places it over the window on top.
  core::host().addForm(win);
  int stateMode = 0;
  core::showForm(win, owner, stateMode, loadTips, "Progress", 1);
}

void hideProgressWindow(FrmProgress* win, QWidget* owner, int reEnableOwner) {
  if (!win) return;
  core::hideForm(win, owner, 0, reEnableOwner);
  core::host().remForm(win);
}

void FrmProgress::closeEvent(QCloseEvent* e) {
  // The close box asks like Cancel; the window itself stays until the run ends.
  e->ignore();
  cmdCancelClick();
}

}  // namespace uikit
