#pragma once
// Composition of the next screen image: background, then the picture fitted,
// stretched, tiled or copied by the picture-stretching settings.
#include <QImage>
#include <QRect>

#include "base/WBitmap.h"
#include "base/crandom.h"
#include "settings/settings.h"

namespace orvanta {

// Fills the whole back buffer (a 32-bit canvas of the show size W x H) with
// BackColor and draws the picture into it (fitPicture, then one area-averaging
// stretch, the tiles or a plain copy). The picture is converted to a 32-bit
// canvas once. Returns the blit result: false when the picture is empty, its
// canvas cannot be made or the back buffer is not a 32-bit canvas (the buffer
// then holds at most the background).
bool composePicture(const WBitmap& picture, bool reducedOnDecode, const Settings& settings, CRandom& random,
                    QImage& backBuffer);

// The same rules for one area of target (a secondary monitor's rectangle):
// the area's size stands for W x H and every position is offset by its
// origin; nothing outside the area is touched. pictureCanvas is the picture
// already converted (WBitmap::toImage32), so that several monitors share one.
bool composePictureInto(const QImage& pictureCanvas, bool reducedOnDecode, const Settings& settings, CRandom& random,
                        QImage& target, QRect area);

}  // namespace orvanta
