#include "platform/widgets/window_effects.h"

#include "platform/process.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QFont>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QUrl>
#include <QWidget>

namespace platform {

void setWindowOpacityBestEffort(QWidget* window, double opacity) {
  if (!window) return;
  window->setWindowOpacity(opacity < 0 ? 0 : (opacity > 1 ? 1 : opacity));
}

int printPlainText(const QString& text, int pointSize) {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) return kNoPrinter;
  QPrinter printer(info, QPrinter::HighResolution);
  if (!printer.isValid()) return kNoPrinter;
  QTextDocument doc;
  QFont font = doc.defaultFont();
  font.setPointSize(pointSize > 0 ? pointSize : 10);
  doc.setDefaultFont(font);
  doc.setPlainText(text);
  doc.print(&printer);
  return printer.printerState() == QPrinter::Error ? kPrinterError : 0;
}

bool openWithDesktop(const QString& pathOrUrl) {
  const QUrl url = pathOrUrl.startsWith(u'/') ? QUrl::fromLocalFile(pathOrUrl) : QUrl(pathOrUrl);
  return url.isValid() && QDesktopServices::openUrl(url);
}

namespace {
std::string toStd(const QString& s) { return QFile::encodeName(s).toStdString(); }
}  // namespace

bool openInTextEditor(const std::string& path) {
  const QString visual = qEnvironmentVariable("VISUAL");
  if (!visual.trimmed().isEmpty()) {
    QStringList words = QProcess::splitCommand(visual);
    if (!words.isEmpty()) {
      const std::string program = resolveProgram(toStd(words.takeFirst()));
      std::vector<std::string> args;
      for (const QString& w : words) args.push_back(toStd(w));
      args.push_back(path);
      if (!program.empty() && startProgram(program, args, false) == StartOutcome::Started) {
        return true;
      }
    }
  }
  return openWithDesktop(QFile::decodeName(QByteArray::fromStdString(path)));
}

}  // namespace platform
