// Desktop services that need the window system: window opacity, printing plain text to the
// default printer, and opening a document or URL with the desktop's default application.
#pragma once

#include <QString>

#include <string>

class QWidget;

namespace platform {

// Error numbers of printing, as the callers show them.
inline constexpr int kPrinterError = 482;     // the printer failed while printing
inline constexpr int kNoPrinter = 484;        // no default printer is set up

// Sets the whole window's opacity (0..1). Best effort: some window systems ignore it.
void setWindowOpacityBestEffort(QWidget* window, double opacity);

// Prints text in a pointSize font on the default printer, as one document. 0 on success,
// kNoPrinter when there is no default printer, kPrinterError when printing failed. Never waits for
// the user (no dialog).
[[nodiscard]] int printPlainText(const QString& text, int pointSize);

// Opens a file, folder or URL with the desktop's default application; false when that failed.
bool openWithDesktop(const QString& pathOrUrl);
// Opens a text file in the user's text editor: $VISUAL when set and startable, else the desktop's
// default application. False when neither could be started.
bool openInTextEditor(const std::string& path);

}  // namespace platform
