// ui_kit_gallery: one window with every control of the interface kit, so anyone can look at
// them without the main program. "--screenshot FILE.png" renders the window offscreen to a PNG.
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/tool_form.h"
#include "ui_kit/controls.h"
#include "ui_kit/look.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace {

class GalleryForm : public QWidget, public core::ToolForm {
 public:
  GalleryForm() {
    setObjectName(QStringLiteral("frmGallery"));
    setWindowTitle(QStringLiteral("ui_kit_gallery"));
    const core::CoreState& st = core::coreState();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, core::toQColor(0xD8E9EC));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* grid = new QGridLayout(this);
    auto* tree = new uikit::CtrlTreeDir(this);
    tree->setObjectName(QStringLiteral("dir1"));
    tree->setPath(QStringLiteral("/usr/share"));
    tree->Initialize();
    tree->setMinimumSize(260, 300);
    grid->addWidget(tree, 0, 0, 4, 1);

    auto* boxes = new QGroupBox(QStringLiteral("CtrlCheckBox / CtrlCmd / CtrlArrow"), this);
    auto* v = new QVBoxLayout(boxes);
    const auto addCheck = [&](const char* name, const char* cap, int value, bool enabled) {
      auto* c = new uikit::CtrlCheckBox(boxes);
      c->setObjectName(QString::fromLatin1(name));
      c->ReadProperties({{QStringLiteral("Caption"), QString::fromLatin1(cap)},
                         {QStringLiteral("Value"), value},
                         {QStringLiteral("Enabled"), enabled},
                         {QStringLiteral("BackColor"), qlonglong{0xD8E9EC}}});
      v->addWidget(c);
      return c;
    };
    addCheck("chkInclude", "Include subfolders", 1, true);
    addCheck("chkIncHidden", "Include hidden files", 0, true);
    addCheck("chkGrey", "Disabled, ticked", 1, false);
    auto* img = new uikit::ImageList(this);
    img->setObjectName(QStringLiteral("imgSet"));
    img->add(QIcon(uikit::defaultArrowPicture(false)));
    const auto addCmd = [&](const char* name, const char* cap, bool enabled) {
      auto* b = new uikit::CtrlCmd(boxes);
      b->setObjectName(QString::fromLatin1(name));
      b->ReadProperties({{QStringLiteral("Caption"), QString::fromLatin1(cap)},
                         {QStringLiteral("Enabled"), enabled}});
      v->addWidget(b);
      return b;
    };
    addCmd("cmdOK", "OK", true);
    auto* hovered = addCmd("cmdHover", "Hovered", true);
    hovered->setPicture(1);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(hovered, &enter);
    addCmd("cmdOff", "Disabled", false);
    auto* arrow = new uikit::CtrlArrow(boxes);
    arrow->setObjectName(QStringLiteral("lblArrow"));
    arrow->setCaption(QStringLiteral("Arrow label"));
    v->addWidget(arrow);
    auto* arrow2 = new uikit::CtrlArrow(boxes);
    arrow2->setCaption(QStringLiteral("Arrow label, hovered"));
    QApplication::sendEvent(arrow2, &enter);
    v->addWidget(arrow2);
    grid->addWidget(boxes, 0, 1);

    auto* dateBox = new QLineEdit(QStringLiteral("02/29/2024"), this);
    dateBox->setObjectName(QStringLiteral("txtDateFrom"));
    grid->addWidget(dateBox, 1, 1);
    auto* cal = new uikit::CtrlCalendar(this);
    cal->setObjectName(QStringLiteral("calDate"));
    grid->addWidget(cal, 2, 1);
    cal->setBox(dateBox);

    auto* tipOwner = new QLabel(QStringLiteral("Tooltip (below):"), this);
    grid->addWidget(tipOwner, 3, 1);
    tip_.makeTip(tipOwner, this, QStringLiteral("A tip in the scheme's colours.\nIt keeps its line breaks."),
                 st.foreColor, st.backColor, vb::qs(st.fontName));

    auto* grip = new uikit::CtrlDibber(this);
    grip->setObjectName(QStringLiteral("CtrlDibber1"));
    grip->setMinX(6000);
    grip->setMinY(5000);
    grid->addWidget(grip, 4, 1, Qt::AlignRight | Qt::AlignBottom);
    resize_ = new uikit::CtrlResize(this);
  }

  uikit::clsToolTip& tip() { return tip_; }
  void doResize() override {}

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (resize_ != nullptr) resize_->doSize();
  }

 private:
  uikit::clsToolTip tip_;
  uikit::CtrlResize* resize_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  QString shot;
  for (int i = 1; i + 1 < argc; ++i)
    if (QByteArray(argv[i]) == "--screenshot") shot = QString::fromLocal8Bit(argv[i + 1]);
  if (!shot.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  GalleryForm form;
  form.show();
  if (shot.isEmpty()) return app.exec();

  QApplication::processEvents();
  const QPixmap window = form.grab();
  QPixmap pm = window;
  // The tip is a window of its own: show it and paint it into the picture below the window.
  if (auto* owner = form.findChild<QLabel*>()) {
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), owner->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(owner, &help);
    if (QWidget* tipWin = form.tip().tipWindow()) {
      pm = QPixmap(std::max(window.width(), tipWin->width() + 16), window.height() + tipWin->height() + 16);
      pm.fill(Qt::white);
      QPainter p(&pm);
      p.drawPixmap(0, 0, window);
      tipWin->render(&p, QPoint(8, window.height() + 8));
    }
  }
  if (!pm.save(shot, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(shot));
    return 1;
  }
  return 0;
}
