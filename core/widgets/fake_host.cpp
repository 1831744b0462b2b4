#include "core/widgets/fake_host.h"

namespace core {

int FakeHost::respond(QWidget* caller, std::string_view style, std::string_view text,
                      std::string_view title, std::string_view dontAskKey) {
  responds.push_back({caller, std::string(style), std::string(text), std::string(title), std::string(dontAskKey)});
  if (answers.empty()) return defaultAnswer;
  const int a = answers.front();
  answers.pop_front();
  return a;
}

std::unique_ptr<TipObject> FakeHost::makeTip(QWidget* control, QWidget* form, std::string_view tip,
                                             std::uint32_t foreColour, std::uint32_t backColour,
                                             std::string_view fontName) {
  QWidget* target = control ? control : form;
  if (!target) return nullptr;
  tips.push_back({target->objectName(), std::string(tip), foreColour, backColour, std::string(fontName)});
  class CountedTip : public TipObject {
   public:
    explicit CountedTip(std::shared_ptr<int> n) : n_(std::move(n)) { ++*n_; }
    ~CountedTip() override { --*n_; }

   private:
    std::shared_ptr<int> n_;
  };
  return std::make_unique<CountedTip>(liveTips);
}

void FakeHost::setTreeHiddenColour(QWidget* folderTree, std::uint32_t colour) {
  hiddenColours.emplace_back(folderTree, colour);
}

void FakeHost::addForm(QWidget* form) {
  ++addCalls;
  stack.push_back(form);
}

void FakeHost::remForm(QWidget* form) {
  ++remCalls;
  for (auto it = stack.end(); it != stack.begin();) {
    --it;
    if (*it == form) {
      stack.erase(it);
      break;
    }
  }
}

QWidget* FakeHost::getForm() { return stack.empty() ? main : stack.back(); }

void FakeHost::formOpacity(QWidget* window, bool dim) { opacity.push_back({window, dim}); }

}  // namespace core
