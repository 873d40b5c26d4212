#pragma once
// The decoded picture: a device-independent bitmap in the classic layout.
// Rows are top-down, each padded to a 4-byte stride, all in one block.
// 24-bit pixels are B,G,R; 1/4/8-bit pixels index the colour table; 16 and
// 32-bit pixels are read through the colour masks (5-5-5 and 8-8-8 unless
// the bitmap carries bit fields of its own).
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {

struct RgbQuad {
    std::uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    bool operator==(const RgbQuad&) const = default;
};

// The component of a 16 or 32-bit pixel selected by mask, as 8 bits. A field
// narrower than 8 bits is widened by repeating its bits, so that full scale
// stays full scale (5-bit 31 -> 255, 16 -> 132); a wider one keeps its top 8
// bits. An empty mask gives 0. Every reader of such pixels (the canvas, the
// quantizer, reduced decoding) goes through this, so that they all see the
// same colours.
std::uint8_t maskedComponent(std::uint32_t pixel, std::uint32_t mask);

class WBitmap {
public:
    // Largest picture the show holds: more pixels or a longer side is refused
    // before anything is allocated. At 2^27 pixels the 24-bit picture and the
    // 32-bit canvas the show makes from it take 940 MB together.
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27;
    static constexpr int kMaxSide = 65535;

    // Bytes per row for the given width and depth, or 0 when out of range.
    static std::size_t strideFor(int width, int bitCount);
    // True when a width x height picture is within the limits above.
    static bool sizeAllowed(std::int64_t width, std::int64_t height);

    // Allocates a zero-filled bitmap. bitCount is 1, 4, 8, 16, 24 or 32.
    // Returns false (and leaves the bitmap empty) for a bad depth, a size over
    // the limits, or a failed allocation.
    bool create(int width, int height, int bitCount);
    void reset();

    bool isNull() const { return width_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitCount() const { return bitCount_; }
    std::size_t stride() const { return stride_; }
    std::uint8_t* row(int y) { return bits_.data() + stride_ * static_cast<std::size_t>(y); }
    const std::uint8_t* row(int y) const { return bits_.data() + stride_ * static_cast<std::size_t>(y); }
    std::uint8_t* bits() { return bits_.data(); }
    const std::uint8_t* bits() const { return bits_.data(); }
    std::size_t byteSize() const { return bits_.size(); }

    // 2^bitCount entries for depths up to 8 (256 for 8 bits), empty otherwise.
    std::vector<RgbQuad>& colorTable() { return colors_; }
    const std::vector<RgbQuad>& colorTable() const { return colors_; }

    // Colour masks of 16 and 32-bit pixels. bitFields() is true when they came
    // from the file rather than the defaults.
    void setMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue, bool fromFile);
    std::uint32_t redMask() const { return redMask_; }
    std::uint32_t greenMask() const { return greenMask_; }
    std::uint32_t blueMask() const { return blueMask_; }
    bool bitFields() const { return bitFields_; }

    // The colour of one pixel, whatever the depth (masked components through
    // maskedComponent).
    RgbQuad pixel(int x, int y) const;

    // A 32-bit B,G,R,X copy (QImage::Format_RGB32) for the canvases; a null
    // image when the bitmap is empty or the allocation fails.
    QImage toImage32() const;

    // Writes a standard BMP file (bottom-up rows, colour table for <= 8 bits,
    // bit fields for 16/32 bits when present). False on any write failure.
    bool saveBmp(const std::string& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> bits_;
    std::vector<RgbQuad> colors_;
    std::uint32_t redMask_ = 0, greenMask_ = 0, blueMask_ = 0;
    bool bitFields_ = false;
};

}  // namespace orvanta
