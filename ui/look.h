#pragma once

#include <QAccessible>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QRect>

namespace vorrik {

/// Twips per logical pixel: 1440 twips to the inch at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

/// A control's place given in twips (left, top, width, height), in pixels.
constexpr QRect Twips(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}

/// Makes "MS Sans Serif" resolve to an installed sans-serif font of similar
/// width where the font itself is missing. Call once, before any window.
void InstallFontSubstitutes();

/// "MS Sans Serif" at the given size in points, regular weight.
QFont SansSerifFont(qreal points);

/// The windows' default font: "MS Sans Serif", 8 pt.
QFont WindowDefaultFont();

/// Sets up a top-level window of fixed text: its name, caption, client size,
/// the program's icon and default font; closing it through its frame
/// destroys it.
void SetUpTextWindow(QWidget& window, const char* name, const QString& caption, QSize client);

/// A fixed label at a place in pixels: its text wraps at word boundaries
/// from the top edge, aligned across as given, and it never takes the focus.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place,
                  Qt::Alignment across = Qt::AlignLeft);

/// Exposes a top-level window to screen readers with role (a window or a
/// dialog) and its caption as its name. Without it a plain widget window
/// reads as a "filler". Call before the window is shown.
void SetWindowRole(QWidget& window, QAccessible::Role role);

/// The program's icon, with its 16, 32, 64 and 128 pixel images.
QIcon ProgramIcon();

}  // namespace vorrik
