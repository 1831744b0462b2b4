// Small conversions every control of the kit needs: twips to pixels, the scheme font by face name
// and accessible names. &HBBGGRR colours become QColors through core::toQColor.
#pragma once

#include "core/widgets/text_controls.h"

#include <QFont>
#include <QString>

#include <cstdint>

class QWidget;

namespace uikit {

// The system colour "button face" (&H8000000F) as the stored colours name it.
inline constexpr std::uint32_t kSysButtonFace = 0x8000000F;


// Twips to device-independent pixels: 15 twips per pixel (1440 per inch at 96 dpi).
[[nodiscard]] constexpr int px(double twips) { return static_cast<int>(twips / 15.0 + (twips >= 0 ? 0.5 : -0.5)); }
[[nodiscard]] constexpr double twips(int pixels) { return pixels * 15.0; }

// A font with the given face, point size and weight; fontconfig substitutes a face it lacks.
[[nodiscard]] QFont faceFont(const QString& face, double pointSize, bool bold);

// The font properties the kit's controls share. setFontFace and setFontPoints change one part of
// w's font (a size of 0 or less leaves the size) and update its geometry; fontPoints is the size
// rounded to whole points.
void setFontFace(QWidget* w, const QString& face);
void setFontPoints(QWidget* w, int points);
[[nodiscard]] int fontPoints(const QWidget* w);

// Accessible name rule of the kit: the caption, or the objectName while there is none.
void applyAccessibleName(QWidget* w, const QString& caption);
// A label's caption as the name of the box it labels: without the access key mark ("&") and the
// closing colon ("&Name:" and "&Nom :" give "Name" and "Nom").
[[nodiscard]] QString spokenCaption(const QString& caption);

// Puts a window that is about to be shown for the first time, and has no place of its own (never
// moved), over the middle of owner, inside owner's screen: left to the window manager, a dialog
// can land with its buttons below the screen's edge. Does nothing for a visible window, a window
// placed before, or a hidden owner.
void placeOverOwner(QWidget* form, const QWidget* owner);

}  // namespace uikit
