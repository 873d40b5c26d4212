// Placement of the message, the caption and the status text, and the
// caption's text.
#include <gtest/gtest.h>

#include <set>

#include "show/overlays/overlaylayout.h"

namespace orvanta {
namespace {

const QSize kShow(1024, 768);
const QSize kText(201, 31);  // odd sizes, so that every halving truncates

struct PlaceCase {
    int code;
    QPoint expected;
};

class MessagePlaces : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(MessagePlaces, PositionOnA1024x768Show) {
    CRandom random(1), untouched(1);
    const QRect box = messageRect(GetParam().code, kText, kShow, random);
    EXPECT_EQ(box, QRect(GetParam().expected, kText));
    EXPECT_EQ(random.next(), untouched.next()) << "fixed places draw no random values";
}

INSTANTIATE_TEST_SUITE_P(Codes, MessagePlaces,
                         ::testing::Values(PlaceCase{1, {0, 0}}, PlaceCase{2, {412, 0}}, PlaceCase{3, {823, 0}},
                                           PlaceCase{4, {0, 369}}, PlaceCase{5, {412, 369}}, PlaceCase{6, {823, 369}},
                                           PlaceCase{7, {0, 737}}, PlaceCase{8, {412, 737}}, PlaceCase{9, {823, 737}},
                                           PlaceCase{10, {0, 0}}, PlaceCase{57, {0, 0}}));

class CaptionPlaces : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(CaptionPlaces, PositionOnA1024x768Show) {
    EXPECT_EQ(captionRect(GetParam().code, kText, kShow), QRect(GetParam().expected, kText));
}

INSTANTIATE_TEST_SUITE_P(Codes, CaptionPlaces,
                         ::testing::Values(PlaceCase{0, {0, 0}}, PlaceCase{1, {412, 0}}, PlaceCase{2, {823, 0}},
                                           PlaceCase{3, {0, 737}}, PlaceCase{4, {412, 737}}, PlaceCase{5, {823, 737}},
                                           PlaceCase{6, {0, 737}}, PlaceCase{99, {0, 737}}));

TEST(MessageRect, WiderThanTheShowIsWrapped) {
    CRandom random(1);
    EXPECT_EQ(messageRect(1, QSize(2500, 22), kShow, random), QRect(0, 0, 768, 110));
    EXPECT_EQ(messageRect(9, QSize(2500, 22), kShow, random), QRect(256, 658, 768, 110));
    // Exactly as wide as the show: not wrapped.
    EXPECT_EQ(messageRect(1, QSize(1024, 22), kShow, random), QRect(0, 0, 1024, 22));
    EXPECT_EQ(messageRect(1, QSize(1025, 22), kShow, random), QRect(0, 0, 768, 88));
}

TEST(MessageRect, RandomUsesColumnSlotsAndNinthsOfTenths) {
    CRandom random(2024), mirror(2024);
    std::set<int> xs, ys;
    for (int i = 0; i < 400; ++i) {
        const QRect box = messageRect(0, QSize(300, 20), kShow, random);
        const int r1 = mirror.next(), r2 = mirror.next();
        ASSERT_EQ(box, QRect(r1 % 3 * 300, 768 * (r2 % 9) / 10, 300, 20));
        xs.insert(box.x());
        ys.insert(box.y());
    }
    EXPECT_EQ(xs, (std::set<int>{0, 300, 600}));
    std::set<int> tenths;
    for (int k = 0; k < 9; ++k) tenths.insert(768 * k / 10);
    EXPECT_EQ(ys, tenths);
}

TEST(MessageRect, RandomWithAnEmptyTextStaysAtTheLeftEdge) {
    CRandom random(5);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(messageRect(0, QSize(0, 20), kShow, random).x(), 0);
    // A wrapped random message has one slot too.
    for (int i = 0; i < 20; ++i) EXPECT_EQ(messageRect(0, QSize(5000, 20), kShow, random).x(), 0);
}

TEST(StatusTextRect, BottomLeftUnlessTheCaptionIsThere) {
    const QSize text(50, 16);
    EXPECT_EQ(statusTextRect(text, kShow, false, 3), QRect(0, 752, 50, 16));
    EXPECT_EQ(statusTextRect(text, kShow, true, 4), QRect(0, 752, 50, 16));
    EXPECT_EQ(statusTextRect(text, kShow, true, 3), QRect(974, 752, 50, 16));
    EXPECT_EQ(statusTextRect(text, kShow, true, 6), QRect(0, 752, 50, 16));
}

struct CaptionCase {
    const char* path;
    bool fullPath;
    const char* date;
    const char* expected;
};

class CaptionTexts : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(CaptionTexts, Text) {
    const CaptionCase& c = GetParam();
    EXPECT_EQ(captionText(c.path, c.fullPath, c.date), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CaptionTexts,
    ::testing::Values(CaptionCase{"/photos/Beach.2003.jpg", false, "", "Beach.2003"},
                      CaptionCase{"/photos/Beach.2003.jpg", false, "14/06/2003", "Beach.2003  14/06/2003"},
                      CaptionCase{"/photos/Beach.2003.jpg", true, "", "/photos/Beach.2003.jpg"},
                      CaptionCase{"/photos/Beach.2003.jpg", true, "6/14/03", "/photos/Beach.2003.jpg  6/14/03"},
                      CaptionCase{"/my.pictures/Sunset", false, "", "Sunset"},
                      CaptionCase{"Sunset.png", false, "", "Sunset"},
                      CaptionCase{"/photos/.hidden", false, "", ".hidden"},
                      CaptionCase{"/photos/Tom & Jerry.bmp", false, "", "Tom & Jerry"}));

TEST(TrimBlanks, OnlyOuterBlanks) {
    EXPECT_EQ(trimBlanks("  Place  your message  "), "Place  your message");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(trimBlanks(""), "");
    EXPECT_EQ(trimBlanks("x"), "x");
}

}  // namespace
}  // namespace orvanta
