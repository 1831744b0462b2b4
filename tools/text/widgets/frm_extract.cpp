#include "tools/text/widgets/frm_extract.h"

#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/form_state.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/text_routines.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "core/widgets/text_controls.h"
#include "tools/text/extract_preset.h"
#include "tools/text/extract_run.h"
#include "tools/text/widgets/frm_list_find_append_controls.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/file_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tools::text {

namespace {

template <class T>
T* named(T* control, const char* name) {
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

uikit::CtrlCheckBox* checkBox(QWidget* parent, const char* name, const char* caption) {
  auto* c = named(new uikit::CtrlCheckBox(parent), name);
  c->setCaption(QString::fromUtf8(caption));
  return c;
}

QLineEdit* lineBox(QWidget* parent, const char* name, const char* text) {
  auto* box = named(new QLineEdit(QString::fromUtf8(text), parent), name);
  box->setMaxLength(32767);
  return box;
}

// A length typed into a box as a count (a box holds digits only; huge numbers stay finite).
long long typedLength(const QLineEdit* box) {
  return std::clamp<long long>(vb::ValInt(vb::bs(box->text())), 0, 999999999);
}

void setLook(QWidget* box, bool on) {
  if (on) {
    core::enableText(box);
  } else {
    core::disableText(box);
  }
}

}  // namespace

FrmExtract::FrmExtract() : ToolWindow("frmExtract", "Extract") {
  setWindowTitle(QStringLiteral("Text Extractor"));
  buildControls();
  connectControls();
  // The design's look of the options, before any state is restored.
  chkPatClick();
  syncLengthBoxes();
  txtCommonWords->setVisible(false);
  txtCommonWords->setEnabled(false);
}

void FrmExtract::buildControls() {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  layout->setMenuBar(bar);
  menuPresets = named(bar->addMenu(QStringLiteral("&Presets")), "menuPresets");
  menuLoad = named(menuPresets->addAction(QStringLiteral("&Load...")), "menuLoad");
  menuSave = named(menuPresets->addAction(QStringLiteral("&Save...")), "menuSave");

  auto* sources = new QHBoxLayout;
  optFile = named(new QRadioButton(QStringLiteral("File contents"), this), "optFile");
  optFileName = named(new QRadioButton(QStringLiteral("File names"), this), "optFileName");
  optFold = named(new QRadioButton(QStringLiteral("Folder names"), this), "optFold");
  optFile->setChecked(true);
  for (QRadioButton* o : {optFile, optFileName, optFold}) sources->addWidget(o);
  sources->addStretch();
  layout->addLayout(sources);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  auto* lblAlphaKey = named(new QLabel(QStringLiteral("Valid characters:"), this), "lblAlphaKey");
  txtAlphaKey = lineBox(this, "txtAlphaKey", "");
  txtAlphaKey->setText(vb::qs(fillValidChars()));
  lblAlphaKey->setBuddy(txtAlphaKey);
  cmdResetKey = makeButton(this, "cmdResetKey", "&Reset");
  grid->addWidget(lblAlphaKey, 0, 0);
  grid->addWidget(txtAlphaKey, 0, 1, 1, 3);
  grid->addWidget(cmdResetKey, 0, 4);

  chkPat = checkBox(this, "chkPat", "Pattern:");
  txtPat = lineBox(this, "txtPat", "?*@?*.?*");
  grid->addWidget(chkPat, 1, 0);
  grid->addWidget(txtPat, 1, 1, 1, 3);

  chkMinKey = checkBox(this, "chkMinKey", "Minimum length:");
  txtMinKey = lineBox(this, "txtMinKey", "5");
  chkMaxKey = checkBox(this, "chkMaxKey", "Maximum length:");
  txtMaxKey = lineBox(this, "txtMaxKey", "45");
  for (QLineEdit* box : {txtMinKey, txtMaxKey}) {
    box->setMaxLength(9);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
  }
  readAs(txtPat, {chkPat});
  readAs(txtMinKey, {chkMinKey});
  readAs(txtMaxKey, {chkMaxKey});
  grid->addWidget(chkMinKey, 2, 0);
  grid->addWidget(txtMinKey, 2, 1, Qt::AlignLeft);
  grid->addWidget(chkMaxKey, 2, 2);
  grid->addWidget(txtMaxKey, 2, 3, Qt::AlignLeft);

  auto* framComType = named(new QWidget(this), "framComType");
  auto* sepRow = new QHBoxLayout(framComType);
  sepRow->setContentsMargins(0, 0, 0, 0);
  auto* lblSep = named(new QLabel(QStringLiteral("Separator:"), framComType), "lblSep");
  comChar = named(new QComboBox(framComType), "comChar");
  // Its items change with the language after the first show.
  comChar->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  lblSep->setBuddy(comChar);
  sepRow->addWidget(lblSep);
  sepRow->addWidget(comChar);
  sepRow->addStretch();
  grid->addWidget(framComType, 3, 0, 1, 5);
  layout->addLayout(grid);

  chkExcKey = checkBox(this, "chkExcKey", "Leave out these common words:");
  txtCommonWords = named(new QPlainTextEdit(QStringLiteral("The And This\n"), this), "txtCommonWords");
  txtCommonWords->setTabChangesFocus(true);
  txtCommonWords->setFixedHeight(txtCommonWords->fontMetrics().lineSpacing() * 4 + 12);
  readAs(txtCommonWords, {chkExcKey});
  layout->addWidget(chkExcKey);
  layout->addWidget(txtCommonWords);

  auto* switches = new QGridLayout;
  chkSens = checkBox(this, "chkSens", "Match case");
  chkStripKey = checkBox(this, "chkStripKey", "No repeats");
  chkSpace = checkBox(this, "chkSpace", "Blank is a valid character");
  chkCombine = checkBox(this, "chkCombine", "One list for all files");
  chkNull = checkBox(this, "chkNull", "List files without keywords");
  switches->addWidget(chkSens, 0, 0);
  switches->addWidget(chkStripKey, 1, 0);
  switches->addWidget(chkSpace, 2, 0);
  switches->addWidget(chkCombine, 0, 1);
  switches->addWidget(chkNull, 1, 1);
  layout->addLayout(switches);
  layout->addStretch();

  auto* framCmd = named(new QWidget(this), "framCmd");
  auto* buttons = new QHBoxLayout(framCmd);
  buttons->setContentsMargins(0, 0, 0, 0);
  cmdStart = makeButton(framCmd, "cmdStart", "&Start");
  cmdClose = makeButton(framCmd, "cmdClose", "&Close");
  buttons->addStretch();
  buttons->addWidget(cmdStart);
  buttons->addWidget(cmdClose);
  layout->addWidget(framCmd);
}

void FrmExtract::connectControls() {
  connect(menuLoad, &QAction::triggered, this,
          [this] { uikit::FrmBrowse::LoadMe(this, QStringLiteral("Load"), QString(), QStringLiteral("*.Pre")); });
  connect(menuSave, &QAction::triggered, this, [this] {
    uikit::FrmBrowse::LoadMe(this, QString(), QStringLiteral("Extract.Pre"), QStringLiteral("*.Pre"));
  });
  tools::whenChosen(optFile, [this] { chkCombine->setEnabledFlag(true); });
  tools::whenChosen(optFileName, [this] { chkCombine->setEnabledFlag(false); });
  tools::whenChosen(optFold, [this] { chkCombine->setEnabledFlag(false); });
  connect(chkMinKey, &uikit::CtrlCheckBox::Click, this, &FrmExtract::chkMinKeyClick);
  connect(chkMaxKey, &uikit::CtrlCheckBox::Click, this, &FrmExtract::chkMaxKeyClick);
  connect(chkPat, &uikit::CtrlCheckBox::Click, this, &FrmExtract::chkPatClick);
  connect(chkExcKey, &uikit::CtrlCheckBox::Click, this, &FrmExtract::chkExcKeyClick);
  for (QLineEdit* box : {txtMinKey, txtMaxKey}) {
    connect(box, &QLineEdit::textChanged, box, [box](const QString& text) {
      const QString digits = vb::qs(core::FilterTxt(vb::bs(text), std::string_view()));
      if (digits != text) box->setText(digits);
    });
  }
  for (QWidget* box : std::initializer_list<QWidget*>{txtAlphaKey, txtCommonWords, txtMinKey, txtMaxKey, txtPat}) {
    box->installEventFilter(this);
  }
  connect(cmdResetKey, &uikit::CtrlCmd::Click, this, &FrmExtract::cmdResetKeyClick);
  connect(cmdStart, &uikit::CtrlCmd::Click, this, &FrmExtract::cmdStartClick);
  connect(cmdClose, &uikit::CtrlCmd::Click, this, &FrmExtract::closeForm);
}

void FrmExtract::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);
  fillSeparators();
  // Wide enough for every caption of the language just loaded.
  setMinimumWidth(layout()->sizeHint().width());
  if (fitOnShow_) {
    fitOnShow_ = false;
    adjustSize();
  }
}

// The separator list's items are messages 24 to 26; a saved index waits for them (form loader).
void FrmExtract::fillSeparators() {
  const char* fallback[] = {"Blank", "Line break", "Tab"};
  for (int i = 0; i < 3; ++i) {
    const std::string& text = msg(24 + i);
    const QString item = text.empty() ? QString::fromLatin1(fallback[i]) : vb::qs(text);
    if (i < comChar->count()) {
      comChar->setItemText(i, item);
    } else {
      comChar->addItem(item);
    }
  }
}

bool FrmExtract::eventFilter(QObject* watched, QEvent* e) {
  auto* box = qobject_cast<QWidget*>(watched);
  if (box && e->type() == QEvent::FocusIn) {
    // After the click that brought the focus, which would place the cursor instead.
    QTimer::singleShot(0, box, [box] { core::SelectText(box); });
  } else if (box && e->type() == QEvent::FocusOut) {
    const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
    // Leaving the box for another control of this window, not for another window.
    const bool withinWindow = why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason;
    if (withinWindow && box == txtMinKey) txtMinKeyLostFocus();
    if (withinWindow && box == txtMaxKey) txtMaxKeyLostFocus();
  }
  return ToolWindow::eventFilter(watched, e);
}

bool FrmExtract::byUser() const { return isVisible() && !loading_; }

int FrmExtract::respond(std::string_view style, const std::string& text, std::string_view title) {
  return core::host().respond(this, style, text, title, "");
}

void FrmExtract::chkMinKeyClick() {
  if (!byUser() || chkMinKey->Value() == 0) {
    syncLengthBoxes();
    return;
  }
  if (chkMaxKey->Value() != 0 && typedLength(txtMaxKey) < typedLength(txtMinKey)) {
    respond("O", msg(14), "I");
    chkMinKey->setValue(0);
    txtMinKey->setText(QStringLiteral("0"));
    return;
  }
  syncLengthBoxes();
}

void FrmExtract::chkMaxKeyClick() {
  if (byUser() && chkMaxKey->Value() != 0 && chkMinKey->Value() != 0 &&
      typedLength(txtMinKey) > typedLength(txtMaxKey)) {
    respond("O", msg(13), "I");
    chkMinKey->setValue(0);
  }
  syncLengthBoxes();
}

void FrmExtract::txtMaxKeyLostFocus() {
  const long long min = typedLength(txtMinKey);
  const long long max = typedLength(txtMaxKey);
  if (chkMinKey->Value() != 0 && min > max) {
    respond("O", msg(15), "I");
    chkMinKey->setValue(0);
    txtMaxKey->setText(vb::qs(vb::Str(min + 1)));
  } else if (max == 0) {
    txtMaxKey->setText(vb::qs(vb::Str(min + 1)));
    respond("O", msg(16), "I");
  }
}

void FrmExtract::txtMinKeyLostFocus() {
  if (chkMaxKey->Value() != 0 && typedLength(txtMaxKey) < typedLength(txtMinKey)) {
    respond("O", msg(17), "I");
    chkMinKey->setValue(0);
    txtMinKey->setText(QStringLiteral("0"));
  }
}

void FrmExtract::syncLengthBoxes() {
  setLook(txtMinKey, chkMinKey->Value() != 0);
  setLook(txtMaxKey, chkMaxKey->Value() != 0);
}

void FrmExtract::chkPatClick() { setLook(txtPat, chkPat->Value() != 0); }

// The common-words box shows only while its box is ticked; the window grows and shrinks with it.
void FrmExtract::chkExcKeyClick() {
  const bool on = chkExcKey->Value() != 0;
  txtCommonWords->setEnabled(on);
  if (on != txtCommonWords->isHidden()) return;
  const int step = txtCommonWords->height() + layout()->spacing();
  const int target = height() + (on ? step : -step);
  txtCommonWords->setVisible(on);
  if (!isVisible()) {
    fitOnShow_ = true;
    return;
  }
  // The new minimum first: growing it may already have grown the window.
  layout()->activate();
  resize(width(), std::max(minimumSizeHint().height(), target));
}

void FrmExtract::cmdResetKeyClick() {
  if (respond("", msg(12), "W") == core::kAnswerYes) txtAlphaKey->setText(vb::qs(fillValidChars()));
}

ExtractOptions FrmExtract::readOptions() const {
  const int separator = comChar->currentIndex();
  return {.source = optFileName->isChecked() ? ExtractSource::FileNames
                    : optFold->isChecked()   ? ExtractSource::FolderNames
                                             : ExtractSource::Contents,
          .validChars = vb::bs(txtAlphaKey->text()),
          .separator = separator == 1 ? KeywordSeparator::LineBreak
                       : separator == 2 ? KeywordSeparator::Tab
                                        : KeywordSeparator::Blank,
          .minLength = {chkMinKey->Value() != 0, vb::bs(txtMinKey->text())},
          .maxLength = {chkMaxKey->Value() != 0, vb::bs(txtMaxKey->text())},
          .excludeCommon = chkExcKey->Value() != 0,
          .commonWords = vb::bs(txtCommonWords->toPlainText()),
          .usePattern = chkPat->Value() != 0,
          .pattern = vb::bs(txtPat->text()),
          .caseSensitive = chkSens->Value() != 0,
          .noRepeats = chkStripKey->Value() != 0,
          .spaceValid = chkSpace->Value() != 0,
          .combine = chkCombine->Value() != 0,
          .listEmpty = chkNull->Value() != 0};
}

void FrmExtract::cmdStartClick() {
  runStart([this](tools::ToolRun& run) {
    const ExtractPlan plan = prepareExtract(readOptions(), run.msg);
    txtAlphaKey->setText(vb::qs(plan.validCharsShown));
    if (plan.commonWordsShown) txtCommonWords->setPlainText(vb::qs(*plan.commonWordsShown));
    if (plan.refusal) {
      respond("O", plan.refusal->text, plan.refusal->title);
      return;
    }
    const MainBoxes boxes = mainBoxes(mainForm());
    (void)runExtract(run.pipe, run.form, plan.setup, run.msg,
                     {.withSubfolders = boxes.withSubfolders, .withHidden = boxes.withHidden});
  });
}

std::uint8_t FrmExtract::loadHandle(const QString& myFile) {
  const std::string path = vb::bpath(myFile);
  const core::CappedRead bytes = core::readCapped(path, kPresetMaxBytes);
  const auto preset = bytes.data ? readExtractPreset(*bytes.data) : std::nullopt;
  std::uint8_t result = 1;
  if (!preset) {
    respond("O", bytes.tooLarge ? core::msgMain(161) + path : core::msgMain(116), "E");
  } else {
    loading_ = true;
    int mode = 3;
    core::loadForm(this, mode, core::buildFormState(0, *preset), "");
    loading_ = false;
    core::saveSet("vardtlf", path);
    result = 0;
  }
  // The length boxes follow their ticks once the loaded values have settled.
  syncLengthBoxes();
  return result;
}

std::uint8_t FrmExtract::saveHandle(const QString& myFile) {
  const std::string path = vb::bpath(myFile);
  if (core::FileExist(path) != 0 && respond("YN", core::msgMain(117), "W") == core::kAnswerNo) return 1;
  if (core::saveFormState(this, std::string_view(path), 1) != 0) {
    respond("O", core::msgMain(118), "E");
    return 1;
  }
  respond("O", core::msgMain(119), "I");
  return 0;
}

}  // namespace tools::text
