// Text-box routines and the colour helpers the form routines share: selecting a box's whole text,
// switching a text or combo box between its enabled and disabled look, and giving a control the
// scheme's colours. Colours are &HBBGGRR values; &H8000000F is the palette's button colour.
// The program's own controls expose "BackColor"/"ForeColor" properties; others get palette colours.
#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>

namespace core {

// The colour of an &HBBGGRR value (a system colour &H800000xx: the application's button colour).
[[nodiscard]] QColor toQColor(std::uint32_t colour);

// Sets the control's back colour: the "BackColor" property when it has one, else the palette's
// base colour (text boxes, lists) and window colour (panels, which then fill their background).
void setBackColour(QWidget* control, std::uint32_t colour);
// Sets the control's text colour: the "ForeColor" property when it has one, else the palette's
// text colours.
void setForeColour(QWidget* control, std::uint32_t colour);

// Selects the whole text of a line edit, text edit, plain-text edit or editable combo box (the
// cursor at the end), so that typing replaces it. Other controls: nothing.
void SelectText(QWidget* box);

// Enables the control with backColor and foreColor of the scheme.
void enableText(QWidget* control);
// Disables the control with disabledColor as back colour; the text colour is left as it is.
void disableText(QWidget* control);

}  // namespace core
