// The show's pixel kernels at every vector level and thread count give the
// same pixels, and the same as before they were made faster: the hashes below
// were taken from the stretch and the transitions as they stood before any
// vector fast path or thread was added, and every level must reproduce them.
// Large images, where the work is split into bands, are compared against the
// plain C++ kernels on one thread.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "show/pixels/blend.h"
#include "show/pixels/canvas.h"
#include "show/pixels/pixelwork.h"
#include "show/pixels/resample.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/imagetransitiontarget.h"
#include "show/transitions/transitionplayer.h"

namespace orvanta {
namespace {

QImage noiseImage(int w, int h, std::uint32_t state) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

// FNV-1a over every byte of every pixel, X included.
std::uint64_t hashOf(const QImage& image, std::uint64_t h = 1469598103934665603ULL) {
    for (int y = 0; y < image.height(); ++y) {
        const uchar* p = image.constScanLine(y);
        for (int x = 0; x < 4 * image.width(); ++x) {
            h ^= p[x];
            h *= 1099511628211ULL;
        }
    }
    return h;
}

struct StretchCase {
    int sw, sh;
    QRect src;
    int dw, dh;
    QRect dst;
};

// Zoom frames (both directions, four corners, first, middle and last
// frames) on odd and tiny sizes, then general scales, clipping and
// rectangles outside the images.
std::vector<StretchCase> stretchCases() {
    std::vector<StretchCase> v;
    const int sizes[][2] = {{317, 181}, {64, 36}, {1, 1}, {5, 3}};
    for (const auto& s : sizes) {
        const int w = s[0], h = s[1];
        for (int b : {0, 1, 2, 7, 133, 199, 200, 398, 399})
            for (int corner = 0; corner < 4; ++corner) {
                const int zw = w + w * b / 2000, zh = h + h * b / 2000;
                const int zx = corner & 1 ? -(b * w / 2000) : 0, zy = corner & 2 ? -(b * h / 2000) : 0;
                v.push_back({w, h, QRect(0, 0, w, h), w, h, QRect(zx, zy, zw, zh)});
                const int ow = w - w * b / 2000, oh = h - h * b / 2000;
                const int ox = corner & 1 ? b * w / 2000 : 0, oy = corner & 2 ? b * h / 2000 : 0;
                v.push_back({w, h, QRect(ox, oy, ow, oh), w, h, QRect(0, 0, w, h)});
            }
    }
    const int dims[][4] = {{600, 400, 162, 108}, {37, 29, 101, 77},    {101, 77, 37, 29},    {640, 360, 641, 359},
                           {640, 360, 639, 361}, {333, 187, 500, 281}, {500, 281, 333, 187}, {13, 1, 5, 40},
                           {100, 1, 1, 1},       {1, 100, 7, 3},       {257, 129, 129, 257}, {199, 101, 398, 202},
                           {398, 202, 199, 101}, {300, 200, 290, 190}, {290, 190, 300, 200}, {90, 60, 31, 17}};
    for (const auto& d : dims) v.push_back({d[0], d[1], QRect(0, 0, d[0], d[1]), d[2], d[3], QRect(0, 0, d[2], d[3])});
    v.push_back({200, 150, QRect(13, 7, 91, 63), 160, 120, QRect(-17, 9, 190, 150)});
    v.push_back({200, 150, QRect(-20, -10, 240, 170), 160, 120, QRect(3, 2, 150, 111)});
    v.push_back({200, 150, QRect(150, 100, 100, 100), 97, 61, QRect(-5, -5, 120, 80)});
    v.push_back({120, 80, QRect(0, 0, 120, 80), 97, 61, QRect(40, 30, 500, 300)});
    v.push_back({120, 80, QRect(0, 0, 120, 80), 97, 61, QRect(-400, -300, 500, 370)});
    v.push_back({4000, 3, QRect(0, 0, 4000, 3), 33, 5, QRect(0, 0, 33, 5)});
    return v;
}

std::uint64_t stretchHash(const StretchCase& c, int k) {
    const QImage src = noiseImage(c.sw, c.sh, 7u + static_cast<std::uint32_t>(k));
    QImage dst = noiseImage(c.dw, c.dh, 99u);
    stretchBox(src, c.src, dst, c.dst);
    return hashOf(dst);
}

// Hashes the screen after every stretch, blend and whole copy, and at the
// end (piece copies are plain copies: the end shows whether they were right).
class HashingTarget : public TransitionTarget {
public:
    HashingTarget(ImageTransitionTarget& inner, QImage& screen) : inner_(inner), screen_(screen) {}
    void begin(int effect) override { inner_.begin(effect); }
    void copyPiece(const QRect& r) override { inner_.copyPiece(r); }
    void stretchToScreen(const QRect& s, const QRect& d) override {
        inner_.stretchToScreen(s, d);
        hash = hashOf(screen_, hash);
    }
    void blendFrame(int alpha) override {
        inner_.blendFrame(alpha);
        hash = hashOf(screen_, hash);
    }
    void copyAll() override {
        inner_.copyAll();
        hash = hashOf(screen_, hash);
    }
    void fill(QRgb colour) override { inner_.fill(colour); }
    bool pumpAndCheckExit() override { return false; }
    void sleep(int) override {}
    std::uint64_t hash = 1469598103934665603ULL;

private:
    ImageTransitionTarget& inner_;
    QImage& screen_;
};

std::uint64_t effectHash(int effect, int w, int h) {
    QImage back = noiseImage(w, h, 1), previous = noiseImage(w, h, 2), screen = previous.copy();
    ImageTransitionTarget target(back, previous, screen, QRect(0, 0, w, h));
    HashingTarget hashing(target, screen);
    std::vector<int> blocks(static_cast<std::size_t>(blockCountFor(w, h)));
    Mt19937 mt;
    mt.seed(4357);
    CRandom cr(static_cast<std::uint32_t>(effect));
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{w, h, blockSizeFor(w), 0, blocks};
    playTransition(effect, g, random, hashing);
    return hashOf(screen, hashing.hash);
}

const std::uint64_t kStretchHashes[] = {
    0xfc485df0cb9a4466ULL, 0xdf7403c2f68511aeULL, 0x960f61d142e69ed0ULL, 0x0c7da6b9ac94e623ULL, 0x111a7685e71bf23cULL,
    0xc637dc5dbcbf37aeULL, 0xfd4639e39bb3d310ULL, 0x701a0394ea5c0bc1ULL, 0x44bca2cbac7ed9a0ULL, 0x4c9322ade11db7dfULL,
    0xb046b6ec9c196dccULL, 0x53c5ecca49f3d552ULL, 0xe531bc543b0a7e50ULL, 0x83eaac2935d54bd0ULL, 0xf7c139414f52c894ULL,
    0xc22cd6f4004326a5ULL, 0x06f8f0c777e3e6e8ULL, 0xdc0ffc4f402f9638ULL, 0x2011cfe51f71c0aaULL, 0x98fd6cdae6886229ULL,
    0x437aaae1524d3175ULL, 0xa630d9f5878ad480ULL, 0xda286202864aebe4ULL, 0x2a79a0995c56baa6ULL, 0xacfb9c354b469f59ULL,
    0x0064f7eb50ab230eULL, 0x4dc69f39def9b0c0ULL, 0xaadfcd226773fc6fULL, 0xa632ce9900ed392bULL, 0x1dbdee72d438d6a9ULL,
    0x1754d6b90a067659ULL, 0x71d7b7678b10e824ULL, 0x905e20cf7ea27495ULL, 0x779e7a5f59de5ec8ULL, 0xd657bb309fc36e69ULL,
    0xb162db70a967b626ULL, 0xf21b435a94a82600ULL, 0x3f6ef065674426d9ULL, 0xdb95c3a6ef6cc938ULL, 0xaf76e663feaf5eefULL,
    0x4b35c0323974a77dULL, 0x063c4100ded91d48ULL, 0x6fe42fa910f4533bULL, 0x89bd271d2c5f65acULL, 0xd384e7f8529b9481ULL,
    0xf373176bf781e04dULL, 0x21322e25250e4f7bULL, 0x7f8c9e3db02dd576ULL, 0x52c0ae89bf82a399ULL, 0x26222492d51c61b6ULL,
    0x3c3f464c0110c529ULL, 0x94bed2f3d5e6a049ULL, 0xe11a4d6727b5b8aeULL, 0x828deac34c3a55a2ULL, 0x0f89addad04bbeadULL,
    0xc3b7b64d98c42ee8ULL, 0x53d77c2334b537bdULL, 0x1e1eea593aae9156ULL, 0xf5b79e255562fab3ULL, 0xa1482c3e5a47f6ceULL,
    0xd38e78f3fb558930ULL, 0x6f0fbab8e71f2514ULL, 0xe0ffacce760304fbULL, 0x857197b5e61909beULL, 0x43495ba5138db2e8ULL,
    0xcdcdeaa6b61c4211ULL, 0x03708d14c006cb06ULL, 0x537517f6960fed21ULL, 0xa044ca19ef4c787dULL, 0x477eeef330cede26ULL,
    0x80d9b311bc1169b5ULL, 0x71a2c4989e3c0198ULL, 0x5ec8f84b5df53b85ULL, 0x9e3fc9a63a673a46ULL, 0x2dfc4c43d2c2b83dULL,
    0x418d6dcc7d32e210ULL, 0x945811734a6a3084ULL, 0x794a6ca2c1ba480eULL, 0xd3ca4928461b4afcULL, 0x16311ae11d9d387bULL,
    0xf5f20ead3e713fe7ULL, 0x5099029e0b33fa06ULL, 0x544b6b2b9dd217ccULL, 0xe538a11e19e91862ULL, 0xebd340250a2c1986ULL,
    0xf83968d95c4558f1ULL, 0xdabe6ea3d134a826ULL, 0x52bd174b8006ba9aULL, 0x7aec662f77497a7dULL, 0x11370892b6a420b4ULL,
    0x2fa823302dd39d14ULL, 0x8404abcb4b3e2f16ULL, 0x3f075097659ccd7bULL, 0x5c28a33cf104a842ULL, 0x835d005898f79a2eULL,
    0xf57f653c28900375ULL, 0x98057d130b7612f2ULL, 0xea2bf243d6dfe3b3ULL, 0xddd9e5e1ad5b2a8dULL, 0x3d5d4f6c9e4f3b35ULL,
    0x92b1816f7b4d0350ULL, 0x0310c7060aa53a37ULL, 0xffb30649c3039b68ULL, 0x06f0dd606228c33fULL, 0xc54e3c6e7f8c9666ULL,
    0x4939acaf21ed57d8ULL, 0x035659c593c78f5dULL, 0xed3081de5090ab92ULL, 0xd8ff0a28f16fc0d1ULL, 0xd4cb8716eab5531cULL,
    0x107f0dd68a873741ULL, 0x41844d59afb257b0ULL, 0x193771dcbd98bca9ULL, 0xaa125a481d6c6c27ULL, 0xfad9d8cff8f44123ULL,
    0xd25855e0b9bac357ULL, 0xedfd31e73e03d25cULL, 0xe49aa79b4e26c755ULL, 0xc9232645a30c87eaULL, 0x1e67373458cf212cULL,
    0xd120f534dd161b92ULL, 0xf80267ffe26d46c4ULL, 0x7b4d717f3df0c85bULL, 0x086f1c13424080a3ULL, 0x06906453e0e4cd9bULL,
    0x071751176a0ae7a1ULL, 0x737d337cc1de676dULL, 0x962a0e9338c418c5ULL, 0x6a2d7b7d954a77beULL, 0x16da49a411f13989ULL,
    0x7866310560a4becbULL, 0x5a56904e3418b96bULL, 0x131710ab4fec7014ULL, 0x3a0f698a9ac5e5cdULL, 0x9e5b284c8ca49208ULL,
    0xac049961e5cfe723ULL, 0xca68603a3f5d134fULL, 0xb5ec211e48bdfad3ULL, 0x536734d780931f17ULL, 0x7c2e6719084525caULL,
    0xaa57f1904eb7d86aULL, 0x3cea0c9dfdd759a8ULL, 0x41f521f239339ed2ULL, 0x7395cf12eb62e906ULL, 0xac69f3356cbe7bf3ULL,
    0x573a7f88c9ebfb05ULL, 0x61b04ee90b312051ULL, 0xedbfa7983b3239ebULL, 0x1f3a4fe3e917773eULL, 0x4565404ba513aa9dULL,
    0xe02cd1f24fe08727ULL, 0x733df2013c3ed5fdULL, 0x58ab9aaf7aec904bULL, 0x88d8244d6b4612deULL, 0x07658c6164175f14ULL,
    0x1f8ae90734caf38fULL, 0xd591467215bc1894ULL, 0xa2a0d91455ec2aa9ULL, 0xbdaab96d9de3e4f2ULL, 0x31d180d06d165d8bULL,
    0x8f140d74b04176e4ULL, 0xd799b187f9fa835eULL, 0xbb1b7e2893b57d6cULL, 0x7b290dd99355fc7bULL, 0x0f7623e236081da8ULL,
    0x5518808e69639d36ULL, 0xeb1c85f664826607ULL, 0x2ddaa29611e605ffULL, 0xa80086f141dc25cdULL, 0xe457984eca58ad3bULL,
    0x9bab64faac0cf851ULL, 0x8147c34a264573bbULL, 0xbbe8deadf806cc96ULL, 0xc62b2b5c4c305df4ULL, 0xf5cb3b66fb514e2fULL,
    0x0197bc10c7b870f0ULL, 0x6bbe57b757ec1f20ULL, 0x0ea463cb65ce802aULL, 0x32ae5072fd5e7eb4ULL, 0xf3e6efd4c8a8d2c8ULL,
    0x4c3aa07d0dd57509ULL, 0x68b5a8cf7c64ab88ULL, 0x3f3628370ac6a093ULL, 0x7d6d42daad7a3ca0ULL, 0xd62a52ebbb89e79fULL,
    0xefa9fc9591222e02ULL, 0xd06d7d38fcf6590fULL, 0x0f519d4cd352aeb5ULL, 0xf820b9f165cde7d6ULL, 0xd3e20759888e1f06ULL,
    0x7ea2b9aa0433f7dfULL, 0x44b3f253a8fd1241ULL, 0x48c2b1bc7413721cULL, 0x1522de63cca698f6ULL, 0xb9136a707deb8378ULL,
    0x707f1e13d2e41c28ULL, 0x5a04c6c2150d5122ULL, 0xc251b4cb30fc5aa1ULL, 0x6bddb17a703b76dcULL, 0x8b1ededd0fd45551ULL,
    0xf113632b201e34fcULL, 0x1958b7d864287a9aULL, 0x53f7c935eb2dd1b1ULL, 0xbbb28d90807f038fULL, 0x24661c30d4397062ULL,
    0xb731079b1125eeb7ULL, 0x0ceb1c42344c693aULL, 0x3b432c4ce25530d5ULL, 0x42bad1fe9aec79a6ULL, 0x224dd09ea166cb8bULL,
    0x3b094cb261264a25ULL, 0xcd3ccf56c2941ecbULL, 0x20d140c16d523386ULL, 0x126761121e914278ULL, 0x49c561b7fffb0f99ULL,
    0x566df11d691f84c5ULL, 0xe18b9375caf87dafULL, 0x770ec2ed3128d068ULL, 0x14ec9aad04d05e34ULL, 0xaeca3b9c0ce3f5ccULL,
    0x8e123477ac99dd04ULL, 0x6c4a6005e5f6715bULL, 0x17f836d8ebabd335ULL, 0x18050a122d393324ULL, 0x53a7380ef64453f3ULL,
    0xee7a6f0b966eddbaULL, 0x188f56dbbee290a5ULL, 0xb41c25417c2cc55cULL, 0x3056fdafbe770090ULL, 0x9cc849612b00ee54ULL,
    0x404455d218833671ULL, 0xccafe3169fd991c3ULL, 0x70b09a26d3857f16ULL, 0xaacba1d8b802449eULL, 0xbf4bdb2b73f9f748ULL,
    0x22df18193a0d6b6aULL, 0xdb73a8ce46e07f47ULL, 0xa20cf7fb9fecb2d0ULL, 0x0c1a43da243d4e67ULL, 0xb2dd255d79e55cebULL,
    0xde2bf1b359a3c906ULL, 0x8678b35f5a6263f1ULL, 0xd2b62ee16b18801fULL, 0x3591abf120815a3eULL, 0xd8ddcd1606f26496ULL,
    0x9d1ac4a0a7717b6aULL, 0xdfda695fe16577e3ULL, 0x42e4d7956105d6b9ULL, 0xc0a6ccea61acabd3ULL, 0xbe15b7c8c1cfd9f3ULL,
    0xdc93b69f514b728bULL, 0xb2272c0f43d32a5cULL, 0x5a161bb4c7aaa1e2ULL, 0x5f5f39d994fa11a2ULL, 0x61826f4dcfa0e5a4ULL,
    0x09d5aeef6dca6efcULL, 0xc66951bd08cbe785ULL, 0x447b42f4109e3503ULL, 0x92e553bd6faf62f2ULL, 0x7f73b714fdca2c1bULL,
    0x960505dcfedd0d89ULL, 0xe72bfcdb80571e3fULL, 0xab9ca9ff68c7c508ULL, 0x067941ea07d9f112ULL, 0xde45b15b8e54c961ULL,
    0x3abf8f781d52fa42ULL, 0x4929e90b03a621b2ULL, 0x4283f3845d853557ULL, 0xffce32b27b809119ULL, 0x4481d65ff884c4c9ULL,
    0x4fb5e470e694e218ULL, 0xca33d1ca5e563757ULL, 0xc697e0ca6716e5b2ULL, 0x6e46b7aaeb21cc52ULL, 0xfaa8e96e57c19380ULL,
    0x7db57236f452ad59ULL, 0x146e807f464bd3adULL, 0x0324f0a8d0e9ec92ULL, 0x1bb315eb0cccd4ebULL, 0x63c2052791f04a91ULL,
    0x4007d1a17c1acd74ULL, 0x3e05b03bf3e4b802ULL, 0x6c334f1dcefd377dULL, 0xcc1fb7bd9612c9f8ULL, 0x7ed33722afff64f6ULL,
    0x64ae40f4e1e33972ULL, 0xd0da68c3cdd50310ULL, 0x7c68bc5129325db8ULL, 0xbc35690a7c081b5dULL, 0x63d68bf9be56d30bULL,
    0x5853ff90c76aa10cULL, 0x49c84f77f7683877ULL, 0x4baea1eae9ed5c6aULL, 0xe6b2b8c4df03375bULL, 0xf1ea50be49bc0248ULL,
    0x81f441e61459eb53ULL, 0x6987409456f3f2abULL, 0xe7d26823ba665250ULL, 0x88833d66054a1531ULL, 0xdaa0bc4da2ceea9cULL,
    0xb0081d11550b1325ULL, 0x48f03aff300d57e4ULL, 0x91ee14ea7acdea7dULL, 0x4540a5b706bb564dULL, 0xbde80f59cdfb347bULL,
    0x21cb805db9d9cbe7ULL, 0x60237585ea499e50ULL, 0x76f2b3607ffd5ddaULL, 0x684fe6c29caf299dULL, 0x7481d705ebdf2e6fULL,
};

// Effects 0 (one piece) to 35, at 211 x 97 and at 64 x 48.
const std::uint64_t kEffectHashes[2][36] = {
    {
        0x5c3783a10e79b933ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL, 0x8d33a1a3dc4cb897ULL,
        0x8d33a1a3dc4cb897ULL, 0xfa69a0ffb6168787ULL, 0x35e452fae47b8440ULL, 0xcaf562655639123aULL,
    },
    {
        0x56f1dee39c01e6d7ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL, 0x482bd98f2b1da125ULL,
        0x482bd98f2b1da125ULL, 0x5549df8febb34570ULL, 0xcd4af6ca06592c0aULL, 0x15a9ae3f848d78bcULL,
    }};

// Restores the process-wide settings whatever a test does.
class AllLevels : public ::testing::Test {
protected:
    ~AllLevels() override {
        setVectorLevel(bestVectorLevel());
        setPixelThreads(savedThreads_);
    }
    static std::vector<VectorLevel> levels() {
        std::vector<VectorLevel> out;
        for (VectorLevel l : {VectorLevel::Scalar, VectorLevel::Sse2, VectorLevel::Avx2, VectorLevel::Avx512})
            if (l <= bestVectorLevel()) out.push_back(l);
        return out;
    }

private:
    int savedThreads_ = pixelThreads();
};

TEST_F(AllLevels, StretchesAsBeforeAtEveryLevel) {
    const std::vector<StretchCase> cases = stretchCases();
    ASSERT_EQ(cases.size(), std::size(kStretchHashes));
    for (VectorLevel level : levels()) {
        setVectorLevel(level);
        for (std::size_t k = 0; k < cases.size(); ++k)
            EXPECT_EQ(stretchHash(cases[k], static_cast<int>(k)), kStretchHashes[k])
                << "level " << static_cast<int>(level) << ", case " << k;
    }
}

TEST_F(AllLevels, TransitionsDrawAsBeforeAtEveryLevel) {
    for (VectorLevel level : levels()) {
        setVectorLevel(level);
        for (int effect = 0; effect <= 35; ++effect) {
            EXPECT_EQ(effectHash(effect, 211, 97), kEffectHashes[0][effect])
                << "level " << static_cast<int>(level) << ", effect " << effect;
            EXPECT_EQ(effectHash(effect, 64, 48), kEffectHashes[1][effect])
                << "level " << static_cast<int>(level) << ", effect " << effect;
        }
    }
}

// Frames large enough to be cut into bands on several threads, against the
// plain kernels on one thread.
TEST_F(AllLevels, BandsOnThreadsDrawWhatOneThreadDraws) {
    const int w = 643, h = 361;
    const QImage src = noiseImage(w, h, 5);
    struct Case {
        QRect from, to;
    };
    const Case cases[] = {
        {QRect(0, 0, w, h), QRect(-(w * 399 / 2000), -(h * 399 / 2000), w + w * 399 / 2000, h + h * 399 / 2000)},
        {QRect(w * 200 / 2000, 0, w - w * 200 / 2000, h - h * 200 / 2000), QRect(0, 0, w, h)},
        {QRect(0, 0, w, h), QRect(0, 0, w, h)},
        {QRect(0, 0, w, h), QRect(3, 1, 641, 363)},       // a shrink with wider windows
        {QRect(0, 0, 317, 181), QRect(-1, 0, w + 1, h)},  // a strong enlargement
        {QRect(-9, -5, w + 20, h + 9), QRect(0, 0, w, h)},
    };
    for (const Case& c : cases) {
        setVectorLevel(VectorLevel::Scalar);
        setPixelThreads(1);
        QImage want = noiseImage(w, h, 8);
        stretchBox(src, c.from, want, c.to);
        for (VectorLevel level : levels()) {
            for (int threads : {2, 3, 4}) {
                setVectorLevel(level);
                setPixelThreads(threads);
                QImage got = noiseImage(w, h, 8);
                stretchBox(src, c.from, got, c.to);
                EXPECT_TRUE(got == want) << "level " << static_cast<int>(level) << ", " << threads << " threads";
            }
        }
    }
    setVectorLevel(VectorLevel::Scalar);
    setPixelThreads(1);
    QImage want = noiseImage(w, h, 9);
    const QImage wantCopy = noiseImage(w, h, 10);
    blendConstant(src, want, 77);
    for (VectorLevel level : levels()) {
        for (int threads : {1, 2, 4}) {
            setVectorLevel(level);
            setPixelThreads(threads);
            QImage got = noiseImage(w, h, 9), copy = noiseImage(w, h, 10);
            blendAndCopy(src, got, 77, copy, QRect(5, 7, 300, 200));
            EXPECT_TRUE(got == want) << "level " << static_cast<int>(level) << ", " << threads << " threads";
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool inside = QRect(5, 7, 300, 200).contains(x, y);
                    ASSERT_EQ(copy.pixel(x, y), inside ? want.pixel(x, y) : wantCopy.pixel(x, y)) << x << "," << y;
                }
        }
    }
}

// A process forked after the workers started has none: its band work runs
// on its one thread instead of waiting for workers that are not there.
TEST_F(AllLevels, BandsInAForkedProcessRunThere) {
    setPixelThreads(2);
    std::atomic<int> done{0};
    forRowBands(100, 2, [&](int, int first, int last) { done += last - first; });
    ASSERT_EQ(done.load(), 100);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        alarm(20);  // a hang ends the child, and the test fails
        std::atomic<int> rows{0};
        forRowBands(100, 2, [&](int, int first, int last) { rows += last - first; });
        _exit(rows.load() == 100 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child was killed (a hang)";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Canvas, LargeAndSmallCanvasesAreWritableImagesOfTheirSize) {
    for (const QSize size : {QSize(3840, 2160), QSize(1366, 768), QSize(7, 3)}) {
        QImage canvas = makeCanvas(size);
        ASSERT_FALSE(canvas.isNull());
        EXPECT_EQ(canvas.size(), size);
        EXPECT_EQ(canvas.format(), QImage::Format_RGB32);
        EXPECT_EQ(canvas.bytesPerLine(), 4 * size.width());
        canvas.fill(0xFF102030u);
        EXPECT_EQ(canvas.pixel(size.width() - 1, size.height() - 1), 0xFF102030u);
        QImage copy = canvas.copy();
        copy.setPixel(0, 0, 0xFF000000u);
        EXPECT_EQ(canvas.pixel(0, 0), 0xFF102030u);  // the copy has memory of its own
        if (size.width() * size.height() * 4 >= (2 << 20)) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(canvas.constBits()) % (2 << 20), 0u);
        }
    }
    EXPECT_TRUE(makeCanvas(QSize(0, 5)).isNull());
    EXPECT_TRUE(makeCanvas(QSize(-1, 5)).isNull());
}

TEST_F(AllLevels, BandsCoverEveryRowOnceOnSeveralThreads) {
    for (int threads : {1, 2, 3, 4}) {
        setPixelThreads(threads);
        for (int rows : {1, 2, 3, 7, 100, 2160}) {
            for (int minRows : {1, 50, 5000}) {
                const int bands = rowBandCount(rows, minRows);
                EXPECT_GE(bands, 1);
                EXPECT_LE(bands, threads);
                std::vector<std::atomic<int>> seen(static_cast<std::size_t>(rows));
                std::mutex mutex;
                std::set<std::thread::id> ids;
                std::set<int> bandsRun;
                forRowBands(rows, bands, [&](int band, int first, int last) {
                    for (int r = first; r < last; ++r) ++seen[static_cast<std::size_t>(r)];
                    std::lock_guard<std::mutex> lock(mutex);
                    ids.insert(std::this_thread::get_id());
                    bandsRun.insert(band);
                });
                for (int r = 0; r < rows; ++r) ASSERT_EQ(seen[static_cast<std::size_t>(r)].load(), 1) << r;
                EXPECT_EQ(static_cast<int>(bandsRun.size()), std::min(bands, rows));
                EXPECT_TRUE(ids.count(std::this_thread::get_id()));  // the caller does band 0
                if (bands > 1) {
                    EXPECT_EQ(ids.size(), bandsRun.size());
                }
            }
        }
    }
}

}  // namespace
}  // namespace orvanta
