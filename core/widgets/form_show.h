// Showing and hiding tool forms, the progress window and the results viewer, and enabling groups
// of controls. Showing disables the owner (only the main window's panel when the owner is the
// main window), loads the form's texts and state, gives it the program's icon, keeps the main
// window's window stack (never for the progress window), attaches tips, dims the owner when
// window opacity is on, and shows the form without blocking. Hiding undoes that.
#pragma once

#include <QWidget>

#include <string_view>

namespace core {

// form: the form to show; owner: the form that opens it (nullptr for none).
// stateMode: 0 texts only, 1 texts and all saved values, another value texts and saved values
// except text boxes (loadForm may change it). loadTips non-zero attaches the form's tips.
// shortName names the language file "Lfrm" + shortName + ".bin". disableOwner 1 disables (and,
// with opacity on, dims) an owner that is not the main window.
void showForm(QWidget* form, QWidget* owner, int& stateMode, int loadTips, std::string_view shortName,
              int disableOwner);

// saveState non-zero saves the form's state file in that mode. reEnableOwner non-zero enables the
// owner and attaches its tips again; 1 also gives it the focus, restores it when minimised and
// makes it fully opaque. With reEnableOwner 0 an owner other than the main window stays disabled.
void hideForm(QWidget* form, QWidget* owner, int saveState, int reEnableOwner);

// Enables or disables every control of form whose name contains nameText (case-sensitive); text
// and combo boxes ("txt", "com") take the scheme's back and fore colours when enabled and
// disabledColor as back colour when disabled.
void enableControls(QWidget* form, std::string_view nameText, bool enable);

}  // namespace core
