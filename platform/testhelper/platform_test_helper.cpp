// A second process for the platform tests: writes and reads the settings store and sends link
// messages, so that the tests see what another program would do. Values and messages travel as
// hex on the command line so that any byte (NUL included) can be passed.
#include "platform/program_link.h"
#include "platform/settings_store.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

namespace {

std::string fromHex(const char* hex) { return QByteArray::fromHex(QByteArray(hex)).toStdString(); }

int usage() {
  std::fprintf(stderr,
               "usage: platform_test_helper write WORD NAME HEXVALUE\n"
               "       platform_test_helper writemany WORD PREFIX COUNT\n"
               "       platform_test_helper increment WORD NAME COUNT\n"
               "       platform_test_helper read WORD NAME\n"
               "       platform_test_helper send APP TOPIC HEXMESSAGE [TIMES]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 4) return usage();
  const std::string cmd = argv[1];
  if (cmd == "write" && argc == 5) {
    return platform::writeSetting(argv[2], argv[3], fromHex(argv[4])) ? 0 : 1;
  }
  if (cmd == "writemany" && argc == 5) {
    const int count = std::stoi(argv[4]);
    for (int i = 0; i < count; ++i) {
      const std::string n = std::string(argv[3]) + std::to_string(i);
      if (!platform::writeSetting(argv[2], n, "v," + std::to_string(i) + "/=\"x\"")) return 1;
    }
    return 0;
  }
  if (cmd == "increment" && argc == 5) {
    const int count = std::stoi(argv[4]);
    for (int i = 0; i < count; ++i) {
      const bool ok = platform::editSettings(argv[2], [&](platform::SettingsEdit& values) {
        const std::string now = values.get(argv[3]);
        values.set(argv[3], std::to_string((now.empty() ? 0 : std::stoi(now)) + 1));
      });
      if (!ok) return 1;
    }
    return 0;
  }
  if (cmd == "read" && argc == 4) {
    const std::string v = platform::readSetting(argv[2], argv[3]);
    std::printf("%s\n", QByteArray::fromStdString(v).toHex().constData());
    return 0;
  }
  if (cmd == "send" && (argc == 5 || argc == 6)) {
    const int times = argc == 6 ? std::stoi(argv[5]) : 1;
    platform::LinkClient client;
    if (!client.open(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]))) return 3;
    const QByteArray msg = QByteArray::fromStdString(fromHex(argv[4]));
    for (int i = 0; i < times; ++i)
      if (!client.execute(msg)) return 4;
    client.close();
    return 0;
  }
  return usage();
}
