// The tool launcher: the complete table of the menu entries that open the seventeen tools and the
// settings dialog (form, short name, state mode, tips flag and the option preset after showing),
// the button bar's table, the button pictures, and the registry through which the tool forms
// plug in. A tool whose form is not registered yet is shown disabled; nothing pretends to open it.
// Tools register in one list before the main window is built (main_window/app/tool_list.h); a
// form registered later still enables its entries, since the registry tells when it changes.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mainwin {

// What happens to a form right after showForm.
enum class Preset {
  None,
  Option,           // presetOption(control): Value := True and the focus moves to it
  CheckTick,        // the flat check box control gets Value 1, the focus stays
  SettingsProtect,  // frmSettings: optProtect := True when "smartProtect" is exactly "1"
};

struct LaunchEntry {
  std::string_view menu;       // menu item name ("menuAppend")
  std::string_view parent;     // menu that holds it ("menuCont", "menuRenFiles", "menuOpers", "menuQuik", "menuView")
  std::string_view caption;    // English design caption, replaced by the language file
  std::string_view form;       // form name ("frmAppend"), "" for entries that run another entry
  std::string_view shortName;  // language file short name ("Append")
  int stateMode = 1;
  int tips = 1;
  Preset preset = Preset::None;
  std::string_view control;    // the preset's control
  std::string_view runs;       // the entry this one runs instead of opening a form
};

// Every launch entry, in menu order within each parent.
[[nodiscard]] const std::vector<LaunchEntry>& launchTable();
// The entry named menu, or nullptr.
[[nodiscard]] const LaunchEntry* launchEntry(std::string_view menu);
// The entry an entry finally opens (follows "runs"), or nullptr.
[[nodiscard]] const LaunchEntry* resolvedEntry(std::string_view menu);

// Number of tool buttons.
inline constexpr int kButtonCount = 17;
// The menu entry button i (1..17) runs; "" outside that range.
[[nodiscard]] std::string_view buttonMenu(int i);
// The icon-theme name of button i's picture (1..17).
[[nodiscard]] std::string_view buttonIconName(int i);
// Button i's picture: the icon theme's, else a drawn stand-in; never null for 1..17.
[[nodiscard]] QIcon buttonIcon(int i);

// The tool forms: a factory per form name, created on first use and kept for the program's life
// (a form whose parent is the main window goes with it). Registering or unregistering emits
// ToolRegistry::changed, which the menus and the button bar follow.
using FormFactory = std::function<QWidget*()>;
void registerToolForm(std::string_view formName, FormFactory factory);
void unregisterToolForm(std::string_view formName);
[[nodiscard]] bool toolFormAvailable(std::string_view formName);
// Whether launch entry `menu` (after following "runs") opens a registered form.
[[nodiscard]] bool launchAvailable(std::string_view menu);

class ToolRegistry : public QObject {
  Q_OBJECT
 Q_SIGNALS:
  void changed();
};
// The registry's notifier (one per program).
[[nodiscard]] ToolRegistry& toolRegistry();
// The single instance of formName (created now when needed); nullptr when not registered.
QWidget* toolFormInstance(std::string_view formName);
// Forgets every created instance (tests; the forms are deleted).
void resetToolForms();

// Opens the tool of menu entry `menu` for owner: showForm with the row's arguments, then the
// preset. Returns the opened form, or nullptr when the entry's form is not available.
QWidget* launchTool(std::string_view menu, QWidget* owner);

}  // namespace mainwin
