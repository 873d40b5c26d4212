#pragma once
// The show's full-screen canvases (back buffer, previous-image buffer): 32-bit
// B,G,R,X images whose memory the kernel is asked to back with large pages.
// A transition copies single columns, one pixel from every row; with small
// pages every row is a page of its own and each pixel costs an address
// translation miss, which large pages mostly spare.
#include <QImage>
#include <QSize>

namespace orvanta {

// A Format_RGB32 image of the size, its pixels undefined; a null image when
// the size is empty or the memory cannot be had.
QImage makeCanvas(QSize size);

}  // namespace orvanta
