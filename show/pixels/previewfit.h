#pragma once
// Fitting the last picture into a screen-saver preview: the picture is
// scaled once to fit the preview, then drawn centred, or stretched over the
// whole preview when it already fills it within 15 % both ways.
#include <QRect>
#include <QSize>

namespace orvanta {

// The size a picture of w x h is scaled to for a preview of W x H: scale =
// the smaller of W / w and H / h in single precision (small pictures are
// enlarged), each side w x scale and h x scale truncated towards zero, at
// least 1. An empty size for an empty picture or preview.
QSize previewPictureSize(QSize picture, QSize preview);

// Where a picture of w x h is drawn in a preview of W x H: unscaled at
// x = (W - w) / 2 (0 when W < w) and y likewise; but when W / w < 1.15 and
// H / h < 1.15 the whole preview, the picture stretched over it.
QRect previewDestination(QSize picture, QSize preview);

}  // namespace orvanta
