#include "companions/language_chooser/widgets/form1.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/language_file.h"
#include "core/shell.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/form_texts.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QStackedLayout>
#include <QStyle>
#include <QVBoxLayout>

#include <optional>

namespace dorvisk {

namespace {

// ShellRun's answer for a page: above 32 when the desktop took it.
bool openThroughDesktop(std::string_view address) { return core::ShellRun(address, "", 0, 0) > 32; }

// An entry of the chooser's language file in every language it holds, each word once ("Language /
// Langue / Sprache / Idioma / Taal"): no language is chosen yet. fallback when the file has none.
QString inEveryLanguage(std::string_view key, const char* fallback) {
  const std::string file =
      core::readCapped(core::dataFile(core::languageFileName(kTextsName))).data.value_or(std::string());
  QStringList words;
  for (int lang = 0; lang < 5; ++lang) {
    const std::optional<std::string> section = core::languageSection(file, lang);
    const std::optional<std::string> entry = section ? core::sectionEntry(*section, key) : std::nullopt;
    if (entry && !entry->empty() && !words.contains(vb::qs(*entry))) words << vb::qs(*entry);
  }
  return words.isEmpty() ? QString::fromUtf8(fallback) : words.join(QStringLiteral(" / "));
}

}  // namespace

Form1::Form1(ChooserRequest request, QWidget* parent)
    : QDialog(parent), request_(std::move(request)), openPage_(openThroughDesktop) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(uikit::formText(uikit::formSection(kTextsName), "Form1", "Select Language"));
  notice_ = [this](const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
  };
  pages_ = new QStackedLayout(this);
  buildChoice();
  buildWarning();
  applyScheme();
  if (request_.mode == ChooserMode::CodePageWarning) showUnicodeWarning();
}

void Form1::buildChoice() {
  auto* page = new QWidget(this);
  framComDorvisk_ = new QFrame(page);
  framComDorvisk_->setObjectName(QStringLiteral("framComDorvisk"));
  framComDorvisk_->setFrameShape(QFrame::StyledPanel);
  bakComDorvisk_ = new QWidget(framComDorvisk_);
  bakComDorvisk_->setObjectName(QStringLiteral("bakComDorvisk"));
  comDorvisk_ = new QComboBox(bakComDorvisk_);
  comDorvisk_->setObjectName(QStringLiteral("comDorvisk"));
  // Beside the list, on its backdrop: a reader names the list by the label it is labelled by.
  lblLanguage_ = new QLabel(QStringLiteral("&") + inEveryLanguage("lblLanguage", "Language"), bakComDorvisk_);
  lblLanguage_->setObjectName(QStringLiteral("lblLanguage"));
  lblLanguage_->setBuddy(comDorvisk_);
  for (std::string_view language : kOfferedLanguages) comDorvisk_->addItem(vb::qs(language));
  comDorvisk_->setCurrentIndex(0);
  comDorvisk_->setMinimumWidth(220);
  auto* bak = new QVBoxLayout(bakComDorvisk_);
  bak->setContentsMargins(6, 6, 6, 6);
  bak->addWidget(lblLanguage_);
  bak->addWidget(comDorvisk_);
  auto* fram = new QVBoxLayout(framComDorvisk_);
  fram->setContentsMargins(8, 8, 8, 8);
  fram->addWidget(bakComDorvisk_);

  cmdDone_ = uikit::CtrlCmd::make(page, "cmdDone", QStringLiteral("Done"));
  cmdDone_->setDefault(true);
  connect(cmdDone_, &uikit::CtrlCmd::Click, this, &Form1::chooseLanguage);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdDone_);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(framComDorvisk_);
  layout->addLayout(buttons);
  pages_->addWidget(page);
}

void Form1::buildWarning() {
  framUnicode_ = new QFrame(this);
  framUnicode_->setObjectName(QStringLiteral("framUnicode"));
  framUnicode_->setFrameShape(QFrame::StyledPanel);
  framUnicode_->setMinimumWidth(380);
  image1_ = new QLabel(framUnicode_);
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
  image1_->setAlignment(Qt::AlignTop);
  lblUnicode_ = new QLabel(framUnicode_);
  lblUnicode_->setObjectName(QStringLiteral("lblUnicode"));
  lblUnicode_->setWordWrap(true);
  lblURL_ = new QLabel(framUnicode_);
  lblURL_->setObjectName(QStringLiteral("lblURL"));
  const QString address = vb::qs(kHelpAddress);
  lblURL_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()));
  lblURL_->setTextFormat(Qt::RichText);
  lblURL_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  lblURL_->setOpenExternalLinks(false);
  lblURL_->setAccessibleName(address);
  connect(lblURL_, &QLabel::linkActivated, this, &Form1::openHelpPage);
  cmdOK_ = uikit::CtrlCmd::make(framUnicode_, "cmdOK", QStringLiteral("OK"));
  connect(cmdOK_, &uikit::CtrlCmd::Click, this, &QDialog::reject);

  auto* texts = new QVBoxLayout;
  texts->addWidget(lblUnicode_);
  texts->addWidget(lblURL_);
  texts->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(image1_);
  top->addLayout(texts, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK_);
  auto* layout = new QVBoxLayout(framUnicode_);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  pages_->addWidget(framUnicode_);
}

void Form1::applyScheme() {
  const core::CoreState& st = core::coreState();
  core::setBackColour(bakComDorvisk_, st.backColor);
  core::setForeColour(lblLanguage_, st.foreColor);
  core::setBackColour(comDorvisk_, st.backColor);
  core::setForeColour(comDorvisk_, st.foreColor);
  // A list that cannot be typed in is drawn as a button.
  QPalette p = comDorvisk_->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Button, core::toQColor(st.backColor));
  }
  comDorvisk_->setPalette(p);
}

void Form1::showUnicodeWarning() {
  lblUnicode_->setText(QStringLiteral("Error: Non-english operating system detected!\n\nFor more information, please see:"));
  pages_->setCurrentWidget(framUnicode_);
  cmdOK_->setFocus();
}

bool Form1::warningShown() const { return pages_->currentWidget() == framUnicode_; }

void Form1::chooseLanguage() {
  (void)saveChoice(request_, comDorvisk_->currentText().toStdString());
  accept();
}

void Form1::openHelpPage() {
  if (openPage_ && openPage_(kHelpAddress)) return;
  if (notice_) notice_(vb::qs(kLaunchError) + vb::qs(kHelpAddress));
}

}  // namespace dorvisk
