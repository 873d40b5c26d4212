// Drawing of the message, the caption and the status text, and the font
// descriptions as Qt fonts. Runs a QGuiApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "show/overlays/fontconversion.h"
#include "show/overlays/overlaylayout.h"
#include "show/overlays/textoverlay.h"
#include "support/testenv.h"

namespace orvanta {
namespace {

class TextOverlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QGuiApplication::instance()) return;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "textoverlay_test";
        static char* argv[] = {name, nullptr};
        // Kept to the end of the process: destroying it among the static
        // destructors would pull the font database from under Qt's own.
        app_ = new QGuiApplication(argc, argv);
    }
    static QGuiApplication* app_;

    static QImage canvas(QRgb fill = qRgb(0, 0, 0)) {
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(fill);
        return image;
    }
    // Bounding box of the pixels that differ from `fill`.
    static QRect inkBox(const QImage& image, QRgb fill) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != fill) box |= QRect(x, y, 1, 1);
        return box;
    }
};
QGuiApplication* TextOverlay::app_ = nullptr;

TEST_F(TextOverlay, AmpersandIsDrawnLiterally) {
    Settings s;
    s.MsgText = "Tom & Jerry";
    s.MsgPlace = 1;
    const QFont font = toQFont(s.TextFont);
    QImage drawn = canvas();
    CRandom random(1);
    QRect box;
    {
        QPainter painter(&drawn);
        box = drawMessage(painter, drawn.size(), s, font, random);
    }
    const QFontMetrics metrics(font, &drawn);
    // The measured box is the literal text's, up to the rounding of its
    // fractional advance, and wider than the mnemonic's "Tom  Jerry".
    EXPECT_NEAR(box.width(), metrics.horizontalAdvance(QStringLiteral("Tom & Jerry")), 1);
    EXPECT_GT(box.width(), metrics.horizontalAdvance(QStringLiteral("Tom  Jerry")) + 1);

    // The same pixels as the literal text drawn plainly, and not those of a
    // mnemonic (an underlined blank in place of the ampersand).
    QImage literal = canvas(), mnemonic = canvas();
    for (auto [image, flags] : {std::pair{&literal, 0}, std::pair{&mnemonic, int(Qt::TextShowMnemonic)}}) {
        QPainter painter(image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | flags, QStringLiteral("Tom & Jerry"));
    }
    EXPECT_EQ(drawn, literal);
    EXPECT_NE(drawn, mnemonic);
    EXPECT_TRUE(box.contains(inkBox(drawn, qRgb(0, 0, 0))));
}

TEST_F(TextOverlay, LongMessageWrapsInsideItsBox) {
    Settings s;
    s.MsgPlace = 5;
    s.MsgText = "  ";
    for (int i = 0; i < 30; ++i) s.MsgText += "word" + std::to_string(i) + " ";
    const QFont font = toQFont(s.TextFont);
    QImage image = canvas();
    CRandom random(1);
    QRect box;
    {
        QPainter painter(&image);
        box = drawMessage(painter, image.size(), s, font, random);
    }
    const QFontMetrics metrics(font, &image);
    const QSize line = metrics.size(0, QString::fromStdString(trimBlanks(s.MsgText)));
    ASSERT_GT(line.width(), 640);
    EXPECT_EQ(box.size(), QSize(480, line.height() * (line.width() / 640 + 3)));
    const QRect ink = inkBox(image, qRgb(0, 0, 0));
    EXPECT_TRUE(box.contains(ink)) << "ink outside the message box";
    EXPECT_GT(ink.height(), 2 * metrics.height()) << "not wrapped onto several lines";
}

TEST_F(TextOverlay, OpaqueCaptionFillsExactlyTheMeasuredBox) {
    Settings s;
    s.CaptionTrans = false;
    s.CaptionBackColor = {0, 0, 255};
    s.CaptionColor = {255, 255, 0};
    s.CaptionPlace = 4;
    const QFont font = toQFont(s.CaptionFont);
    const QRgb picture = qRgb(20, 200, 20);
    QImage image = canvas(picture);
    QRect box;
    {
        QPainter painter(&image);
        box = drawCaption(painter, image.size(), s, font, "Beach.2003");
    }
    const QFontMetrics metrics(font, &image);
    EXPECT_EQ(box.size(), metrics.size(0, QStringLiteral("Beach.2003")));
    EXPECT_EQ(box.bottom(), 479);
    EXPECT_EQ(box.left(), 320 - box.width() / 2);
    EXPECT_EQ(inkBox(image, picture), box);
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) ASSERT_NE(image.pixel(x, y), picture) << x << "," << y;
    EXPECT_EQ(image.pixel(box.topLeft()), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(box.bottomRight()), qRgb(0, 0, 255));
}

TEST_F(TextOverlay, TransparentCaptionKeepsThePictureBehindIt) {
    Settings s;
    s.CaptionTrans = true;
    s.CaptionPlace = 0;
    const QRgb picture = qRgb(20, 200, 20);
    QImage image = canvas(picture);
    QRect box;
    {
        QPainter painter(&image);
        box = drawCaption(painter, image.size(), s, toQFont(s.CaptionFont), "  Beach  ");
    }
    EXPECT_EQ(box.topLeft(), QPoint(0, 0));
    EXPECT_EQ(image.pixel(box.topLeft()), picture);
    const QRect ink = inkBox(image, picture);
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_TRUE(box.contains(ink));
}

TEST_F(TextOverlay, OverlaysDrawMessageThenCaptionWithDate) {
    test::TempDir dir;
    const std::string path = dir.write("Harbour.jpg", "x");
    Settings s;
    s.Message = false;
    s.Captions = true;
    s.CaptionDate = true;
    s.CaptionTrans = false;
    s.CaptionPlace = 0;
    const OverlayFonts fonts = OverlayFonts::fromSettings(s);
    QImage withDate = canvas(), withoutDate = canvas();
    CRandom random(1);
    {
        QPainter painter(&withDate);
        drawOverlays(painter, withDate.size(), s, fonts, path, random);
    }
    QRect plain;
    {
        QPainter painter(&withoutDate);
        plain = drawCaption(painter, withoutDate.size(), s, fonts.captionFont, "Harbour");
    }
    const std::string date = fileShortDate(path);
    ASSERT_FALSE(date.empty());
    EXPECT_LE(date.size(), 31u);
    EXPECT_GT(inkBox(withDate, qRgb(0, 0, 0)).width(), plain.width());
    EXPECT_EQ(fileShortDate(dir.str() + "/gone.jpg"), "");
}

TEST_F(TextOverlay, StatusTextIsGreyOnBlackInTheCorner) {
    QImage image = canvas(qRgb(255, 255, 255));
    const QFont status = OverlayFonts::fromSettings(Settings()).statusFont;
    QRect left, right;
    {
        QPainter painter(&image);
        left = drawStatusText(painter, image.size(), status, QStringLiteral(" Pause"), false, 3);
    }
    EXPECT_EQ(left.bottomLeft(), QPoint(0, 479));
    EXPECT_EQ(inkBox(image, qRgb(255, 255, 255)), left);
    int brightest = 0;
    for (int y = left.top(); y <= left.bottom(); ++y)
        for (int x = left.left(); x <= left.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            ASSERT_LE(qGray(p), 150);
            brightest = std::max(brightest, qGreen(p));
        }
    EXPECT_GE(brightest, 140) << "no text drawn";
    {
        QPainter painter(&image);
        right = drawStatusText(painter, image.size(), status, QStringLiteral(" Pause"), true, 3);
    }
    EXPECT_EQ(right.bottomRight(), QPoint(639, 479));
    EXPECT_EQ(right.size(), left.size());
}

// On a screen of device pixel ratio r the show draws in device pixels, so its
// texts are r times the size they have at ratio 1, as the dialog's are: a
// caption at ratio r has the box of the font r times as large at ratio 1.
struct RatioCase {
    const char* font;
    qreal ratio;
    const char* sameAtOne;  // the font r times as large
};

class CaptionAtRatio : public TextOverlay, public ::testing::WithParamInterface<RatioCase> {};

TEST_P(CaptionAtRatio, IsRatioTimesItsSizeAtOne) {
    const RatioCase& c = GetParam();
    const auto captionBox = [](const char* font, qreal ratio) {
        Settings s;
        s.CaptionFont = FontDescription::parse(font);
        s.CaptionTrans = false;
        s.CaptionPlace = 0;
        QImage image(2000, 400, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        return drawCaption(painter, image.size(), s, OverlayFonts::fromSettings(s, ratio).captionFont,
                           "Harbour at dawn 2003");
    };
    const QSize one = captionBox(c.font, 1).size(), scaled = captionBox(c.font, c.ratio).size();
    EXPECT_EQ(scaled, captionBox(c.sameAtOne, 1).size());
    EXPECT_NEAR(scaled.height(), c.ratio * one.height(), 0.1 * c.ratio * one.height()) << one.height();
    EXPECT_NEAR(scaled.width(), c.ratio * one.width(), 0.06 * c.ratio * one.width()) << one.width();
    // The status text follows the same ratio.
    const QFont status1 = OverlayFonts::fromSettings(Settings(), 1).statusFont;
    const QFont statusR = OverlayFonts::fromSettings(Settings(), c.ratio).statusFont;
    EXPECT_NEAR(QFontMetrics(statusR).height(), c.ratio * QFontMetrics(status1).height(),
                0.1 * c.ratio * QFontMetrics(status1).height());
}

INSTANTIATE_TEST_SUITE_P(Fonts, CaptionAtRatio,
                         ::testing::Values(RatioCase{"14.Times New Roman.Bold", 2, "28.Times New Roman.Bold"},
                                           RatioCase{"8.MS Sans Serif", 2, "16.MS Sans Serif"},
                                           RatioCase{"Courier New.Height=20", 2, "Courier New.Height=40"},
                                           RatioCase{"14.Times New Roman.Bold", 1.5, "21.Times New Roman.Bold"},
                                           RatioCase{"10.Arial.Italic", 3, "30.Arial.Italic"},
                                           RatioCase{"12.Arial", 1, "12.Arial"}));

struct FontCase {
    const char* description;
    const char* resolvedFamily;  // what fontconfig should give
    int pointSize, pixelSize, weight;
    bool italic, underline, strikeout;
};

class FontConversion : public TextOverlay, public ::testing::WithParamInterface<FontCase> {};

TEST_P(FontConversion, DescriptionToQFontAndBack) {
    const FontCase& c = GetParam();
    const FontDescription description = FontDescription::parse(c.description);
    const QFont font = toQFont(description);
    EXPECT_EQ(font.pointSize(), c.pointSize);
    EXPECT_EQ(font.pixelSize(), c.pixelSize);
    EXPECT_EQ(font.weight(), c.weight);
    EXPECT_EQ(font.italic(), c.italic);
    EXPECT_EQ(font.underline(), c.underline);
    EXPECT_EQ(font.strikeOut(), c.strikeout);
    EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(c.resolvedFamily));
    EXPECT_EQ(fromQFont(font, description), description);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, FontConversion,
    ::testing::Values(FontCase{"14.Times New Roman.Bold", "Liberation Serif", 14, -1, 700, false, false, false},
                      FontCase{"8.MS Sans Serif", "Liberation Sans", 8, -1, 400, false, false, false},
                      FontCase{"10.Arial.Light.Italic.Underline", "Liberation Sans", 10, -1, 300, true, true, false},
                      FontCase{"Courier New.Height=20.Heavy.Strikeout", "Liberation Mono", -1, 20, 900, false, false,
                               true},
                      FontCase{"12.Liberation Sans.Thin", "Liberation Sans", 12, -1, 100, false, false, false}));

}  // namespace
}  // namespace orvanta
