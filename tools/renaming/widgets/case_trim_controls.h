// Controls the case changer's and the trimmer's windows build alike: a mode option added to a
// layout, a flat button of the tools' usual size and the two-column preview list, each named as
// the window's code knows it.
#pragma once

#include <QString>

class QLayout;
class QRadioButton;
class QTreeWidget;
class QWidget;

namespace uikit {
class CtrlCmd;
}

namespace tools {

// A radio button named name with caption (replaced later by the language file), added to layout.
QRadioButton* addModeOption(QWidget* parent, QLayout* layout, const QString& name, const QString& caption);
// A flat button named name, of the size of the tools' Start and Close buttons.
uikit::CtrlCmd* addFlatButton(QWidget* parent, const char* name, const char* caption);

// The preview list "ListViewPrev": two columns headed name and result (replaced later by the
// language file), the first firstColumnTwips wide, at least minWidthTwips wide, nothing to select.
QTreeWidget* addPreviewList(QWidget* parent, const QString& result, int firstColumnTwips, int minWidthTwips);

}  // namespace tools
