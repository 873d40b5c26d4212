#pragma once
// Placement of the texts drawn over a shown picture: the message, the caption
// and the status text. Pure arithmetic on measured sizes; drawing is in
// show/overlays/textoverlay.h.
#include <QRect>
#include <QSize>
#include <string>

#include "base/WString.h"

#include "base/crandom.h"

namespace orvanta {

// The box of the message of measured one-line size `text` on a W x H show:
// wider than the show, it is wrapped into 3W/4 x h*(w/W + 3); then placed by
// MsgPlace (0 Random, 1..9 top/centre/bottom x left/middle/right, 10 or more
// top-left). Random draws two values from random (column, then row); codes
// 1..9 draw none.
QRect messageRect(int msgPlace, QSize text, QSize show, CRandom& random);

// The caption's box by CaptionPlace (0..2 top, 3..5 bottom, each left,
// middle, right; 6 or more bottom-left). Captions are never wrapped.
QRect captionRect(int captionPlace, QSize text, QSize show);

// The status text's box: bottom-left, or bottom-right when the caption sits
// bottom-left (Captions on with CaptionPlace 3).
QRect statusTextRect(QSize text, QSize show, bool captions, int captionPlace);

// The caption text of a picture: the full path, or the file name without
// folder and extension; with a non-empty date, two blanks and the date
// after it.
std::string captionText(const std::string& path, bool fullPath, const std::string& date);

}  // namespace orvanta
