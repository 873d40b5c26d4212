#pragma once
// Drawing of the texts over a shown picture: the message, the caption and
// the status text. Drawn straight onto the screen canvas (any QPainter
// device of the show's size), never into the back buffer. Placement rules are
// in show/overlays/overlaylayout.h.
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>
#include <string>

#include "base/crandom.h"
#include "settings/settings.h"

namespace orvanta {

// The overlay fonts, made from the settings once when the show starts, for a
// painter in device pixels on a screen of that device pixel ratio (see
// toQFont); the status text's is the general system font at that ratio.
struct OverlayFonts {
    QFont textFont;
    QFont captionFont;
    QFont statusFont;
    static OverlayFonts fromSettings(const Settings& settings, qreal devicePixelRatio = 1.0);
};

// The size of a text drawn in one go with the painter's current font, line
// breaks honoured, never wrapped; "&" is an ordinary character.
QSize measureText(const QPainter& painter, const QString& text);

// Draws MsgText (trimmed) in TextFont and TextColor, transparent, wrapped
// into the box of messageRect. Returns that box.
QRect drawMessage(QPainter& painter, QSize show, const Settings& settings, const QFont& font, CRandom& random);

// Draws a caption text (trimmed) centred in its measured box placed by
// CaptionPlace, in CaptionFont and CaptionColor; with CaptionTrans off the
// box is first filled with CaptionBackColor. Returns the box.
QRect drawCaption(QPainter& painter, QSize show, const Settings& settings, const QFont& font, const std::string& text);

// The message (if Message), then the caption (if Captions) of the picture
// at picturePath.
void drawOverlays(QPainter& painter, QSize show, const Settings& settings, const OverlayFonts& fonts,
                  const std::string& picturePath, CRandom& random);

// The last-write date of a file as the user's locale writes a short date
// (at most 31 characters), or "" when the file's time cannot be read.
std::string fileShortDate(const std::string& path);

// Draws a status text (" Pause", the favourites confirmation) in `font` (the
// status font of OverlayFonts), grey 150 on opaque black, at statusTextRect.
// Returns the box, so that the caller can repaint it away.
QRect drawStatusText(QPainter& painter, QSize show, const QFont& font, const QString& text, bool captions,
                     int captionPlace);

}  // namespace orvanta
