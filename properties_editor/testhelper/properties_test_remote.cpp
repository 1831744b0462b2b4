// The editor as the Properties program runs it, in a second process that a test steers over
// stdin, one command a line: "name HEX" puts a name (hex bytes) into the name box, "text BOX HEX"
// puts text into the box of that object name (a date or a time), "tick BOX 0|1" sets a flag box,
// "save" presses Save. It reports on stdout: "shown HEXPATH" when a file is shown, "status HEXTEXT" after a save,
// "ended" when the editor ends the program.
#include "properties_editor/widgets/editor_start.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSocketNotifier>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

void say(const char* what, const QByteArray& data) {
  std::printf("%s %s\n", what, data.toHex().constData());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  QApplication app(argc, argv);
  std::unique_ptr<propedit::FrmMainB> form;
  form = propedit::startEditor(args);
  form->setEndProgram([] {
    std::printf("ended\n");
    std::fflush(stdout);
    QCoreApplication::quit();
  });
  say("shown", QByteArray::fromStdString(form->loadedPath()));
  QObject::connect(form.get(), &propedit::FrmMainB::fileShown, &app, [](const QByteArray& p) { say("shown", p); });

  // Raw reads: a buffered stream could hold a second line back from the notifier.
  QByteArray pending;
  QSocketNotifier input(0, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
    char buf[4096];
    const ssize_t n = ::read(0, buf, sizeof buf);
    if (n <= 0) {
      input.setEnabled(false);
      return;
    }
    pending.append(buf, static_cast<qsizetype>(n));
    for (qsizetype nl = pending.indexOf('\n'); nl >= 0; nl = pending.indexOf('\n')) {
      const QByteArray line = pending.left(nl);
      pending.remove(0, nl + 1);
      if (line.startsWith("name ")) {
        const QByteArray name = QByteArray::fromHex(line.mid(5));
        form->findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QFile::decodeName(name));
      } else if (line.startsWith("text ")) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3) {
          form->findChild<QLineEdit*>(QString::fromLatin1(parts[1]))->setText(QString::fromUtf8(QByteArray::fromHex(parts[2])));
        }
      } else if (line.startsWith("tick ")) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3) form->findChild<uikit::CtrlCheckBox*>(QString::fromLatin1(parts[1]))->setValue(parts[2].toInt());
      } else if (line == "save") {
        form->findChild<uikit::CtrlCmd*>(QStringLiteral("cmdSave"))->click();
        say("status", form->statusText().toUtf8());
      }
    }
  });
  return app.exec();
}
