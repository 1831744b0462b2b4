// Tipsome stand-in: shows one tip at a time from the shipped tips file, with Next and Close and a
// "show at start-up" tick that writes "doTips" ("1"/"0") under the caller's settings word
// ("Quarrow" on the command line means the main program's "vardulek") as soon as it changes.
// Nothing else writes "doTips"; empty counts as on. The main program starts it tied to itself, so
// it closes when that program ends.
#include "companions/tips/tip_list.h"
#include "core/companion_start.h"
#include "core/data_files.h"
#include "core/file_content.h"
#include "core/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string word = argc > 1 ? argv[1] : "";
  core::startCompanion({.settingsWord = core::settingsWordOfCaller(word)});

  const std::vector<std::string> tips =
      tipsome::parseTips(core::readCapped(core::dataFile("Tipsome0.txt")).data.value_or(std::string()));
  std::size_t index = tipsome::tipIndex(core::getSet("tipNext"), tips.size());

  QDialog dlg;
  dlg.setObjectName(QStringLiteral("frmTips"));
  dlg.setWindowTitle(QStringLiteral("Tips"));
  auto* lblTip = new QLabel(&dlg);
  lblTip->setWordWrap(true);
  lblTip->setMinimumSize(380, 90);
  lblTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* chkShow = new QCheckBox(QStringLiteral("&Show tips at start-up"), &dlg);
  chkShow->setChecked(core::getSet("doTips") != "0");
  auto* cmdNext = new QPushButton(QStringLiteral("&Next Tip"), &dlg);
  auto* cmdClose = new QPushButton(QStringLiteral("&Close"), &dlg);
  cmdNext->setEnabled(tips.size() > 1);
  auto show = [&] {
    lblTip->setText(tips.empty() ? QString() : QString::fromStdString(tips[index]));
    if (!word.empty()) core::saveSet("tipNext", std::to_string(tips.empty() ? 0 : (index + 1) % tips.size()));
  };
  show();
  QObject::connect(cmdNext, &QPushButton::clicked, &dlg, [&] {
    if (tips.empty()) return;
    index = (index + 1) % tips.size();
    show();
  });
  QObject::connect(cmdClose, &QPushButton::clicked, &dlg, &QDialog::accept);
  // Kept at once: the window ends with the program that started it, possibly before Close.
  QObject::connect(chkShow, &QCheckBox::toggled, &dlg, [&word](bool on) {
    if (!word.empty()) core::saveSet("doTips", on ? "1" : "0");
  });
  auto* row = new QHBoxLayout;
  row->addWidget(chkShow);
  row->addStretch(1);
  row->addWidget(cmdNext);
  row->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(&dlg);
  layout->addWidget(lblTip, 1);
  layout->addLayout(row);
  dlg.exec();
  return 0;
}
