// Huelark stand-in: lets the user pick the interface's back and text colours, writes them to the
// shared colour file and tells the calling program (its name is the command line, e.g. "Quarrow")
// to reload its appearance. Closing without OK changes nothing.
#include "companions/colour_picker/colour_choice.h"
#include "core/companion_start.h"
#include "core/state.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QColor fromVb(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
std::uint32_t toVb(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
         (static_cast<std::uint32_t>(c.blue()) << 16);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string word = argc > 1 ? argv[1] : "";
  // The colours shown first are the colour file's, else the main program's defaults.
  core::startCompanion({.settingsWord = core::settingsWordOfCaller(word),
                        .colours = core::CompanionColours::ColourFile,
                        .scheme = core::kMainScheme});
  const core::CoreState& st = core::coreState();
  QColor back = fromVb(st.backColor);
  QColor fore = fromVb(st.foreColor);

  QDialog dlg;
  dlg.setObjectName(QStringLiteral("frmColour"));
  dlg.setWindowTitle(QStringLiteral("Color Scheme"));
  auto* preview = new QLabel(QStringLiteral("Sample text"), &dlg);
  preview->setAutoFillBackground(true);
  preview->setMinimumHeight(48);
  preview->setAlignment(Qt::AlignCenter);
  auto showPreview = [&] {
    preview->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; }").arg(back.name(), fore.name()));
  };
  showPreview();
  auto* cmdBack = new QPushButton(QStringLiteral("&Background..."), &dlg);
  auto* cmdFore = new QPushButton(QStringLiteral("&Text..."), &dlg);
  QObject::connect(cmdBack, &QPushButton::clicked, &dlg, [&] {
    const QColor c = QColorDialog::getColor(back, &dlg);
    if (c.isValid()) back = c;
    showPreview();
  });
  QObject::connect(cmdFore, &QPushButton::clicked, &dlg, [&] {
    const QColor c = QColorDialog::getColor(fore, &dlg);
    if (c.isValid()) fore = c;
    showPreview();
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dlg);
  layout->addWidget(preview);
  layout->addWidget(cmdBack);
  layout->addWidget(cmdFore);
  layout->addWidget(buttons);
  if (dlg.exec() != QDialog::Accepted) return 0;
  if (huelark::writeColourFile(st.appPath, toVb(back), toVb(fore)) != 0) return 1;
  (void)huelark::notifyAppearanceChanged(word);
  return 0;
}
