// Window routines of the core: printing a text, placing a control near its container's bottom
// edge (sizes in twips, 15 per pixel) and making a window translucent.
#pragma once

#include <string_view>

class QWidget;

namespace core {

// Prints text followed by a line end on the default printer in a 10-point font. 0 on success,
// else the error number to show (484 no printer, 482 printer error). Never opens a dialog.
[[nodiscard]] int PrintText(std::string_view text);

// top := container height - control height - offset - 80; left := container width - control
// width - 255 (twips). The container's client area is measured; a null argument does nothing.
void PlaceBottomRight(QWidget* control, QWidget* container, int offsetTwips);
// top := container height - control height - offset - 360; left := 120 (twips).
void PlaceBottomLeft(QWidget* control, QWidget* container, int offsetTwips);

// Makes window 180/255 opaque when dim is non-zero, else fully opaque, and stores the alpha used
// (180 or 255) in dim. Best effort: window systems that ignore opacity leave the window as it is.
void FormOpacity(QWidget* window, int& dim);

}  // namespace core
