#include "ui_kit/message_box.h"

#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>

#include <algorithm>
#include <memory>

namespace uikit {

namespace {

constexpr std::uint32_t kFormColour = 0xD8E9EC;
constexpr std::uint32_t kButtonColour = 16761024;  // &HFFC0C0

// Boxes waiting for an answer, innermost last.
std::vector<QPointer<FrmResponse>>& openBoxes() {
  static std::vector<QPointer<FrmResponse>> boxes;
  return boxes;
}

// The text with every LF (and a CR before it) as "\n"; lone CRs stay.
std::string normaliseBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

void paint(QWidget* w, std::uint32_t colour) {
  w->setAutoFillBackground(true);
  QPalette p = w->palette();
  p.setColor(QPalette::Window, core::toQColor(colour));
  w->setPalette(p);
}

}  // namespace

ButtonSet buttonSetFor(std::string_view style) {
  if (style == "OAC") return {"framSaveAs", {16, 17, 18}, {1, 2, 7}, 3, true, false, 2};
  if (style == "YNC") return {"framSaveAs", {19, 20, 18}, {1, 2, 7}, 3, true, false, 2};
  if (style == "YN") return {"framYesNo", {19, 20, 0}, {6, 7, 0}, 2, false, true, 1};
  if (style == "O") return {"cmd6", {0, 0, 0}, {6, 0, 0}, 1, false, true, 0};
  return {"framYesNo", {22, 18, 0}, {6, 7, 0}, 2, true, false, 1};
}

std::string wrapParagraph(std::string_view text) {
  if (text.find(' ') == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size() + 16);
  int count = 0;
  for (char c : text) {
    if (c == ' ' && ++count == 5) {
      out += '\n';
      count = 0;
    } else {
      out += c;
    }
  }
  return out;
}

std::string wrapMessage(std::string_view raw) {
  std::string text = normaliseBreaks(raw);
  for (int i = 0; i < 2; ++i) {
    if (!text.empty() && text.front() == '\n') text.erase(0, 1);
  }
  std::string result;
  std::size_t pos = 0;
  while (true) {
    const std::size_t brk = text.find("\n\n", pos);
    if (brk == std::string::npos) {
      result += wrapParagraph(std::string_view(text).substr(pos));
      break;
    }
    result += wrapParagraph(std::string_view(text).substr(pos, brk - pos)) + "\n\n";
    pos = brk + 2;
  }
  while (!result.empty() && result.back() == '\n') result.pop_back();
  return "\n" + result + "\n";
}

std::string titleText(std::string_view title) {
  if (title == "W") return core::msgMain(12);
  if (title == "E") return core::msgMain(13);
  if (title == "N") return core::msgMain(14);
  if (title == "I") return core::msgMain(15);
  return std::string(title);
}

FrmResponse::FrmResponse(QWidget* parent) : QWidget(parent, Qt::Dialog) {
  setObjectName(QStringLiteral("frmResponse"));
  paint(this, kFormColour);
  image_ = new QLabel(this);
  image_->setObjectName(QStringLiteral("Image1"));
  image_->setGeometry(px(120), px(360), 32, 32);
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("lblMessage"));
  message_->setTextFormat(Qt::PlainText);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  framSaveAs_ = new QWidget(this);
  framSaveAs_->setObjectName(QStringLiteral("framSaveAs"));
  framSaveAs_->resize(px(3855), px(375));
  framYesNo_ = new QWidget(this);
  framYesNo_->setObjectName(QStringLiteral("framYesNo"));
  framYesNo_->resize(px(2295), px(375));
  const struct {
    QWidget* parent;
    int left, width;
  } places[6] = {{framSaveAs_, 0, 1215},   {framSaveAs_, 1320, 1215}, {framSaveAs_, 2640, 1215},
                 {framYesNo_, 0, 1095},    {framYesNo_, 1200, 1095},  {this, 1680, 1095}};
  for (int i = 0; i < 6; ++i) {
    auto* b = new CtrlCmd(places[i].parent);
    b->setObjectName(QStringLiteral("cmd%1").arg(i + 1));
    b->move(px(places[i].left), 0);
    b->setDesignSize({px(places[i].width), px(375)});
    b->setBackColor(kButtonColour);
    cmd_[static_cast<std::size_t>(i)] = b;
  }
  cmd_[5]->setCaption(QStringLiteral("&OK"));
  const int answers[6] = {1, 2, 7, 6, 7, 6};
  for (int i = 0; i < 6; ++i) {
    const int code = answers[i];
    connect(cmd_[static_cast<std::size_t>(i)], &CtrlCmd::Click, this, [this, code] { answer(code); });
  }
  check_ = new CtrlCheckBox(this);
  check_->setObjectName(QStringLiteral("chkRegAgain"));
  check_->setCaption(QStringLiteral("Show This Message Again"));
  check_->setBackColor(kFormColour);
  check_->resize(px(3255), px(300));
  check_->hide();
}

FrmResponse::~FrmResponse() = default;

CtrlCmd* FrmResponse::button(std::string_view name) const {
  for (CtrlCmd* b : cmd_) {
    if (b->objectName() == vb::qs(name)) return b;
  }
  return nullptr;
}

void FrmResponse::arrange(std::string_view style, std::string_view message, const QString& caption,
                          bool showAgain) {
  const core::CoreState& st = core::coreState();
  const QString face = vb::qs(st.fontName);
  for (CtrlCmd* b : cmd_) b->setFontName(face);
  message_->setFont(faceFont(face, 9.75, true));
  style_ = std::string(style);
  pending_ = 0;
  setWindowIcon(core::host().icon());
  check_->setCaption(vb::qs(core::msgMain(25)));

  const ButtonSet set = buttonSetFor(style);
  framSaveAs_->setVisible(set.container == "framSaveAs");
  framYesNo_->setVisible(set.container == "framYesNo");
  cmd_[5]->setVisible(set.container == "cmd6");
  const std::size_t first = set.container == "framSaveAs" ? 0 : set.container == "framYesNo" ? 3 : 5;
  for (int i = 0; i < set.count; ++i) {
    const int msg = set.captions[static_cast<std::size_t>(i)];
    if (msg != 0) cmd_[first + static_cast<std::size_t>(i)]->setCaption(vb::qs(core::msgMain(msg)));
  }
  image_->setVisible(set.picture);
  const QStyle::StandardPixmap icon =
      set.container == "framSaveAs" ? QStyle::SP_MessageBoxQuestion : QStyle::SP_MessageBoxWarning;
  image_->setPixmap(QWidget::style()->standardIcon(icon).pixmap(32, 32));

  const int left = set.picture ? px(720) : px(240);
  message_->setText(vb::qs(wrapMessage(message)));
  message_->adjustSize();
  message_->move(left, px(120));

  // Sizes in pixels of the client area: the design's twips less the frame the caption takes.
  int height = std::max(message_->height() + px(660), px(1575));
  checkShown_ = showAgain;
  check_->setVisible(showAgain);
  if (showAgain) {
    check_->setValue(1);
    height += px(120);
  }
  // Buttons widen for longer captions; each row keeps the design's gaps and stays centred.
  const auto row = [](QWidget* frame, std::initializer_list<CtrlCmd*> buttons) {
    int x = 0;
    for (CtrlCmd* b : buttons) {
      b->move(x, 0);
      x += b->width() + px(105);
    }
    frame->resize(x - px(105), px(375));
  };
  row(framSaveAs_, {cmd_[0], cmd_[1], cmd_[2]});
  row(framYesNo_, {cmd_[3], cmd_[4]});
  const QWidget* shownRow = set.container == "framSaveAs" ? framSaveAs_
                            : set.container == "framYesNo" ? framYesNo_
                                                           : static_cast<QWidget*>(cmd_[5]);
  // The "show again" tick keeps its whole caption in every language.
  check_->resize(std::max(px(3255), check_->sizeHint().width()), px(300));
  int width = std::max(left + message_->width() + px(210), px(4305));
  if (showAgain) width = std::max(width, px(360) + check_->width() + px(120));
  width = std::max(width, shownRow->width() + 2 * px(240));
  int rowTop = height - framYesNo_->height() - px(60);
  if (showAgain) rowTop -= px(330);
  framYesNo_->move(width / 2 - framYesNo_->width() / 2, rowTop);
  framSaveAs_->move(width / 2 - framSaveAs_->width() / 2, rowTop);
  cmd_[5]->move(width / 2 - cmd_[5]->width() / 2, rowTop);
  check_->move(px(360), rowTop + framYesNo_->height() + px(60));
  setFixedSize(width, height);
  setWindowTitle(caption);
  if (set.centreNarrow && message_->width() < width) message_->move((width - message_->width()) / 2, px(120));
  focusTarget_ = cmd_[first + static_cast<std::size_t>(set.focus)];
}

int FrmResponse::waitForAnswer() {
  show();
  raise();
  activateWindow();
  if (focusTarget_) focusTarget_->setFocus();
  QEventLoop loop;
  loop_ = &loop;
  if (pending_ == 0) loop.exec();
  loop_ = nullptr;
  return pending_;
}

void FrmResponse::answer(int code) {
  if (code == 0) return;
  pending_ = code;
  if (loop_) loop_->quit();
}

bool FrmResponse::checkCleared() const { return checkShown_ && check_->Value() == 0; }

void FrmResponse::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && style_ == "O") {
    answer(6);
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void FrmResponse::closeEvent(QCloseEvent* e) {
  // The box is closed only by an answer; the close box answers OK in the single-button style.
  e->ignore();
  if (style_ == "O") answer(6);
}

void FrmResponse::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && isMinimized()) core::host().minForm();
}

std::vector<FrmResponse*> openMessageBoxes() {
  std::vector<FrmResponse*> out;
  for (const auto& b : openBoxes()) {
    if (b) out.push_back(b.data());
  }
  return out;
}

int respond(QWidget* caller, std::string_view style, std::string_view text, std::string_view title,
            std::string_view regAgain) {
  const bool showAgain = !regAgain.empty();
  if (showAgain && !core::getSet(regAgain).empty()) return 0;
  core::Host& h = core::host();
  if (!caller) caller = h.getForm();
  QPointer<QWidget> ref(caller);

  auto box = std::make_unique<FrmResponse>();
  box->arrange(style, text, vb::qs(titleText(title)), showAgain);

  // Boxes already waiting stay disabled until this one is answered: their loops can only end
  // after this one's.
  std::vector<std::pair<QPointer<FrmResponse>, bool>> outer;
  for (const auto& b : openBoxes()) {
    if (!b) continue;
    outer.emplace_back(b, !b->testAttribute(Qt::WA_Disabled));
    b->setEnabled(false);
  }
  openBoxes().emplace_back(box.get());

  h.addForm(box.get());
  const bool callerWasEnabled = ref && !ref->testAttribute(Qt::WA_Disabled);
  if (ref) ref->setEnabled(false);
  const bool dim = h.sMenuOpa() && ref;
  if (dim) h.formOpacity(ref, true);

  const int answer = box->waitForAnswer();
  if (box->checkCleared() && answer == 6) core::saveSet(regAgain, "1");

  if (ref) ref->setEnabled(callerWasEnabled);
  box->hide();
  if (ref && ref->isVisible() && callerWasEnabled) {
    ref->activateWindow();
    ref->setFocus();
  }
  if (dim && ref) h.formOpacity(ref, false);
  h.remForm(box.get());
  auto& boxes = openBoxes();
  boxes.erase(std::remove(boxes.begin(), boxes.end(), QPointer<FrmResponse>(box.get())), boxes.end());
  for (auto& [b, wasEnabled] : outer) {
    if (b) b->setEnabled(wasEnabled);
  }
  return answer;
}

}  // namespace uikit
