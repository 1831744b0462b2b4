#include "companions/font_chooser/widgets/font_form.h"

#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/form_texts.h"
#include "ui_kit/look.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

namespace brannock {

namespace {

constexpr int kPreviewPoints = 16;

}  // namespace

FrmMain::FrmMain(FontRequest request, QWidget* parent) : QDialog(parent), request_(std::move(request)) {
  setObjectName(QStringLiteral("frmMain"));
  const std::string texts = uikit::formSection(kTextsName);
  setWindowTitle(uikit::formText(texts, "frmMain", "Select Font"));
  notice_ = [this](const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box.exec();
  };

  listFonts_ = new QListWidget(this);
  listFonts_->setObjectName(QStringLiteral("ListFonts"));
  auto* lblFonts = new QLabel(uikit::formText(texts, "lblFonts", "&Fonts:"), this);
  lblFonts->setObjectName(QStringLiteral("lblFonts"));
  lblFonts->setBuddy(listFonts_);
  listFonts_->setAccessibleName(uikit::spokenCaption(lblFonts->text()));
  listFonts_->setMinimumSize(260, 240);
  core::setBackColour(listFonts_, core::coreState().backColor);
  core::setForeColour(listFonts_, core::coreState().foreColor);

  lblPreview_ = new QLabel(QStringLiteral("Preview: The quick brown fox jumps over the lazy dog 0123456789"), this);
  lblPreview_->setObjectName(QStringLiteral("lblPreview"));
  lblPreview_->setWordWrap(true);
  lblPreview_->setMinimumHeight(64);
  lblPreview_->setFrameShape(QFrame::StyledPanel);
  QFont design = lblPreview_->font();
  design.setPointSize(kPreviewPoints);
  lblPreview_->setFont(design);

  cmdDone_ = uikit::CtrlCmd::make(this, "cmdDone", QStringLiteral("Done"));
  cmdCancel_ = uikit::CtrlCmd::make(this, "cmdCancel", QStringLiteral("Cancel"));
  cmdDone_->setDefault(true);
  connect(cmdDone_, &uikit::CtrlCmd::Click, this, &FrmMain::cmdDoneClick);
  connect(cmdCancel_, &uikit::CtrlCmd::Click, this, &QDialog::reject);
  // Clicks and the keyboard both move the selection; the preview follows either.
  connect(listFonts_, &QListWidget::itemSelectionChanged, this, &FrmMain::showPreview);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdDone_);
  buttons->addWidget(cmdCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblFonts);
  layout->addWidget(listFonts_, 1);
  layout->addWidget(lblPreview_);
  layout->addLayout(buttons);

  listFonts();
}

void FrmMain::listFonts() {
  listFonts_->addItems(QFontDatabase::families());
  const QString saved = vb::qs(savedFont(request_));
  if (saved.isEmpty()) return;
  const QList<QListWidgetItem*> same = listFonts_->findItems(saved, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (same.isEmpty()) return;
  listFonts_->setCurrentItem(same.front());
  listFonts_->scrollToItem(same.front());
}

void FrmMain::showPreview() {
  const QList<QListWidgetItem*> selected = listFonts_->selectedItems();
  if (selected.isEmpty() || selected.front()->text().isEmpty()) return;
  QFont f = lblPreview_->font();
  f.setFamilies({selected.front()->text()});
  lblPreview_->setFont(f);
}

void FrmMain::cmdDoneClick() {
  const QList<QListWidgetItem*> selected = listFonts_->selectedItems();
  const std::string font = selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
  if (saveFontChoice(request_, font) == DoneOutcome::NextStart && notice_) {
    notice_(vb::qs(kNextStartTitle), vb::qs(kNextStartText));
  }
  accept();
}

}  // namespace brannock
