// A scripted Host for tests: records every call, answers respond from a queue of codes, keeps a
// window stack of its own and lets a test set the menu ticks, the panel and the main window.
#pragma once

#include "core/widgets/host.h"

#include <deque>
#include <memory>

namespace core {

class FakeHost : public Host {
 public:
  struct RespondCall {
    QWidget* caller;
    std::string style, text, title, dontAskKey;
  };
  struct TipCall {
    QString controlName;
    std::string tip;
    std::uint32_t fore, back;
    std::string font;
  };
  struct OpacityCall {
    QWidget* window;
    bool dim;
  };

  // Answers given by respond, in order; when empty, defaultAnswer.
  std::deque<int> answers;
  int defaultAnswer = kAnswerYes;
  bool opacityTick = false;
  bool tipsTick = false;
  QWidget* panel = nullptr;
  QWidget* main = nullptr;
  QIcon programIcon;

  std::vector<RespondCall> responds;
  std::vector<TipCall> tips;
  std::vector<OpacityCall> opacity;
  std::vector<std::pair<QWidget*, std::uint32_t>> hiddenColours;
  std::vector<QWidget*> stack;
  int addCalls = 0, remCalls = 0, minCalls = 0;
  // Tips made and not yet released.
  std::shared_ptr<int> liveTips = std::make_shared<int>(0);

  int respond(QWidget* caller, std::string_view style, std::string_view text, std::string_view title,
              std::string_view dontAskKey) override;
  std::unique_ptr<TipObject> makeTip(QWidget* control, QWidget* form, std::string_view tip,
                                     std::uint32_t foreColour, std::uint32_t backColour,
                                     std::string_view fontName) override;
  void setTreeHiddenColour(QWidget* folderTree, std::uint32_t colour) override;
  QWidget* mainForm() override { return main; }
  void addForm(QWidget* form) override;
  void remForm(QWidget* form) override;
  QWidget* getForm() override;
  void minForm() override { ++minCalls; }
  bool sMenuOpa() override { return opacityTick; }
  bool sMenuAuto() override { return tipsTick; }
  QWidget* framMain() override { return panel; }
  QIcon icon() override { return programIcon; }
  void formOpacity(QWidget* window, bool dim) override;
};

// Installs a host for the lifetime of the object and restores the basic host afterwards.
class ScopedHost {
 public:
  explicit ScopedHost(Host& h) { setHost(&h); }
  ~ScopedHost() { setHost(nullptr); }
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;
};

}  // namespace core
