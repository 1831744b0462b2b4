// The one interface through which the core's window routines reach pieces that live elsewhere:
// the message box (respond), tooltip objects (makeTip), the folder tree's hidden colour, and the
// main window's window stack, menu ticks (sMenuOpa, sMenuAuto), panel (framMain) and icon.
// The main window installs its implementation with setHost; until then a basic host stands in
// (plain message boxes, its own stack), so calls made before any window exists work. Tests
// install a FakeHost.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QWidget>

#include "core/answer_codes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// A tooltip attached to one control; releasing the object removes the tip.
class TipObject {
 public:
  virtual ~TipObject() = default;
};

class Host {
 public:
  virtual ~Host() = default;

  // The message box. caller: the calling window, or nullptr (the top of the window stack is used).
  // style: "OAC", "YNC", "YN", "O", anything else OK/Cancel. text: UTF-8 message. title: "W", "E",
  // "N", "I" (replaced by common messages 12 to 15) or a caption. dontAskKey: a settings name
  // that suppresses the box, or "". Returns one of the answer codes above.
  virtual int respond(QWidget* caller, std::string_view style, std::string_view text,
                      std::string_view title, std::string_view dontAskKey) = 0;

  // A tooltip showing tip (UTF-8) on control (or on form when control is nullptr) in the given
  // colours and font; nullptr when no tip could be made.
  virtual std::unique_ptr<TipObject> makeTip(QWidget* control, QWidget* form, std::string_view tip,
                                             std::uint32_t foreColour, std::uint32_t backColour,
                                             std::string_view fontName) = 0;

  // Sets the colour in which a folder tree control shows hidden folders.
  virtual void setTreeHiddenColour(QWidget* folderTree, std::uint32_t colour) = 0;

  // The main window, or nullptr while there is none.
  virtual QWidget* mainForm() = 0;
  // The window stack: push (at most ten above the main window), remove the given window (which
  // need not be on top: closing a lower window never drops the still open top one), the top (the
  // main window when nothing is stacked; nullptr when there is no main window either), and
  // minimise the whole program.
  virtual void addForm(QWidget* form) = 0;
  virtual void remForm(QWidget* form) = 0;
  virtual QWidget* getForm() = 0;
  virtual void minForm() = 0;

  // The main window's menu ticks: window opacity on, tooltips on.
  virtual bool sMenuOpa() = 0;
  virtual bool sMenuAuto() = 0;
  // The main window's panel (disabled while a tool opened from the main window is shown), or
  // nullptr.
  virtual QWidget* framMain() = 0;
  // The program's icon, given to every form shown.
  virtual QIcon icon() = 0;

  // Makes window fully opaque, or dimmed (180/255) when dim is true. Best effort.
  virtual void formOpacity(QWidget* window, bool dim);
};

// The current host; never null (the basic host until one is installed).
Host& host();
// Installs h (nullptr restores the basic host). The caller keeps ownership and must reinstall
// nullptr before destroying it.
void setHost(Host* h);

// The stand-in used until the main window installs its own: respond shows a plain message box
// with captions from the common messages, the stack is a list of its own, the menu ticks are off.
class BasicHost : public Host {
 public:
  int respond(QWidget* caller, std::string_view style, std::string_view text, std::string_view title,
              std::string_view dontAskKey) override;
  std::unique_ptr<TipObject> makeTip(QWidget* control, QWidget* form, std::string_view tip,
                                     std::uint32_t foreColour, std::uint32_t backColour,
                                     std::string_view fontName) override;
  void setTreeHiddenColour(QWidget* folderTree, std::uint32_t colour) override;
  QWidget* mainForm() override { return main_; }
  void addForm(QWidget* form) override;
  void remForm(QWidget* form) override;
  QWidget* getForm() override;
  void minForm() override;
  bool sMenuOpa() override { return false; }
  bool sMenuAuto() override { return false; }
  QWidget* framMain() override { return nullptr; }
  QIcon icon() override;

  // The main window the stack starts from.
  void setMainForm(QWidget* form) { main_ = form; }

 private:
  QPointer<QWidget> main_;
  std::vector<QPointer<QWidget>> stack_;
};

// The basic host (the one in use while no other is installed).
BasicHost& defaultHost();

}  // namespace core
