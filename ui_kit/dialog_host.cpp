#include "ui_kit/dialog_host.h"

#include "core/widgets/host.h"
#include "ui_kit/message_box.h"

namespace uikit {

namespace {

class DialogHost : public core::BasicHost {
 public:
  int respond(QWidget* caller, std::string_view style, std::string_view text, std::string_view title,
              std::string_view dontAskKey) override {
    return uikit::respond(caller, style, text, title, dontAskKey);
  }
};

}  // namespace

void installDialogHost() {
  static DialogHost host;
  core::setHost(&host);
}

}  // namespace uikit
