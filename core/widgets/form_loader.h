// Loading a form's language texts and saved state, saving its state, and attaching its tooltips.
// Controls are found by objectName; the first three letters of the name, lower-cased, decide what
// is done with them (txt text box, com combo box, chk check box, opt option button, lbl label,
// cmd button, fra/fram frame, arr arrow label, sme/men menu item, lis list, dir folder tree,
// fil file list, dri drive list, bak background). Members of a control array share one
// objectName. The program's own controls plug in through Qt properties: "Caption", "Text",
// "Value", "Path", "Pattern", "Drive", "ListIndex", "BackColor", "ForeColor".
#pragma once

#include <QObject>
#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

namespace core {

// The named controls of a form, in the form's order: widgets and actions below it with an
// objectName (Qt's own "qt_" children and separate windows other than menus excluded).
[[nodiscard]] std::vector<QObject*> formControls(QWidget* form);
// The lower-cased first three letters of the object's name.
[[nodiscard]] std::string controlPrefix(const QObject* control);

// Applies the language file "Lfrm" + shortName + ".bin" (language langIndex) to the form, then the
// form's saved state.
// Language part (skipped when shortName is empty): fills msgMain (shortName "Main") or msgForm,
// sets texts, captions and the interface font by prefix and the form's caption; a missing file
// gives the notice "common message 85 + path" through respond and leaves the design texts; a
// missing section leaves them silently.
// State part, by stateMode: 3: pathOrText is the state text itself, restored with text boxes, and
// stateMode becomes 1; otherwise the file pathOrText (appPath + form name + ".txt" when empty) is
// read, and a missing or foreign file sets stateMode to 0. The window state (normal or maximised)
// is taken from a valid file; the scheme's colours are applied to lists, text, combo, folder,
// file and drive controls (enabled ones) and "bak" controls; then with stateMode 1 every saved
// value is restored, with another non-zero mode every value except text boxes. A combo box that
// holds too few items for its saved index (its items are filled later) takes the index as soon as
// it holds enough, unless the user picked an item first; until then saving writes that index.
void loadForm(QWidget* form, int& stateMode, std::string_view pathOrText, std::string_view shortName);

// The form-state text of the form: the header always; with mode non-zero every control with a
// saved prefix (text boxes with their text only in mode 1, else with an empty value).
[[nodiscard]] std::string formStateText(QWidget* form, int mode);
// Saves the form's state. path "": appPath + form name + ".txt"; path "N": the text is returned
// in path and nothing is written; any other path is written. Nothing is written when mode is 0.
// Writes through OutputFile (a temporary file renamed over the old one). Returns 0 or the error
// number of the write.
int saveFormState(QWidget* form, std::string& path, int mode);
// The same for a path that is not to receive the text ("N" then writes nothing and returns 0).
int saveFormState(QWidget* form, std::string_view path, int mode);

// Replaces the live tooltips by those of form: reads the tip file "H" + form name + langIndex +
// ".txt" and, when it holds more than five characters and the main window's tip option is ticked,
// makes a tip for every control with an entry. The previous form's tips are released either way.
void loadToolTips(QWidget* form);
// Names of the controls whose tips are alive (for tests and diagnostics).
[[nodiscard]] std::vector<QString> liveTipNames();
// Releases every tip.
void clearToolTips();

}  // namespace core
