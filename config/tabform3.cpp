#include "config/tabform3.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "commandline/informationrequest.h"
#include "config/productinfo.h"
#include "framework/WControlBinder.h"
#include "framework/WControls.h"

namespace orvanta {

namespace {

constexpr int kNamesGap = 25;  // pixels between the picture and the names
constexpr int kLinkGap = 10;   // pixels between a caption and its link
const QColor kLinkColor(0, 0, 255);
const QColor kVisitedColor(128, 0, 128);

void setTextColor(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// A one-line label as wide as its text.
void fitToText(QLabel* label) { label->resize(label->sizeHint().width(), label->height()); }

// The polygon through points given as fractions of `area`.
QPolygonF polygonIn(const QRectF& area, std::initializer_list<QPointF> fractions) {
    QPolygonF polygon;
    for (const QPointF& f : fractions)
        polygon << QPointF(area.left() + f.x() * area.width(), area.top() + f.y() * area.height());
    return polygon;
}

QLinearGradient verticalGradient(const QRectF& area, const QColor& top, const QColor& bottom) {
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

}  // namespace

QImage TabForm3::productBitmap() {
    constexpr int kWidth = 152, kHeight = 112;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), verticalGradient(image.rect(), QColor(0x27, 0x38, 0x6b), QColor(0x0d, 0x13, 0x30)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdf, 0xe6, 0xff));
    for (const QPointF star : {QPointF(9, 7), QPointF(47, 5), QPointF(118, 6), QPointF(143, 9), QPointF(6, 104)})
        p.drawEllipse(star, 1.2, 1.2);

    // The picture frame and, inside it, the outgoing day-time lake.
    const QRectF frame(12, 13, 128, 88);
    p.setBrush(QColor(0xf6, 0xf2, 0xe6));
    p.drawRoundedRect(frame, 4, 4);
    const QRectF photo = frame.adjusted(5, 5, -5, -5);
    p.setClipRect(photo);
    p.fillRect(photo, verticalGradient(photo, QColor(0x3d, 0x8f, 0xe0), QColor(0xa9, 0xdc, 0xff)));
    p.setBrush(QColor(0x2f, 0x7d, 0x4f));
    p.drawPolygon(polygonIn(photo, {{0, .73}, {.27, .42}, {.48, .63}, {.69, .32}, {1, .69}, {1, 1}, {0, 1}}));
    p.fillRect(QRectF(photo.left(), photo.top() + .8 * photo.height(), photo.width(), .2 * photo.height() + 1),
               QColor(0x2b, 0x6c, 0xb0));

    // The incoming sunset, revealed by a diagonal wipe.
    const QPolygonF wipe = polygonIn(photo, {{0, 0}, {.81, 0}, {.19, 1}, {0, 1}});
    QPainterPath wipePath;
    wipePath.addPolygon(wipe);
    p.setClipPath(wipePath, Qt::IntersectClip);
    p.fillRect(photo, verticalGradient(photo, QColor(0xff, 0x8a, 0x3d), QColor(0xff, 0xd3, 0x6b)));
    p.setBrush(QColor(0xff, 0xf6, 0xc9));
    p.drawEllipse(QPointF(photo.left() + .31 * photo.width(), photo.top() + .36 * photo.height()), 11, 11);
    p.setBrush(QColor(0x5a, 0x2d, 0x5e));
    p.drawPolygon(polygonIn(photo, {{0, .77}, {.29, .40}, {.5, .65}, {.74, .35}, {1, .66}, {1, 1}, {0, 1}}));
    p.setBrush(QColor(0x3a, 0x1c, 0x44));
    p.drawPolygon(polygonIn(photo, {{0, .90}, {.36, .66}, {.63, .85}, {1, .73}, {1, 1}, {0, 1}}));
    p.setClipping(false);

    // The wipe's edge.
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(wipe[1], wipe[2]);
    p.end();
    return image;
}

QUrl TabForm3::mailUrl() { return QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kSupportEmail)); }

QUrl TabForm3::homePageUrl() { return QUrl(QString::fromLatin1(kHomePageUrl)); }

TabForm3::TabForm3(Opener opener) : ConfigPage(PageId::About), opener_(std::move(opener)), c_(bindControls()) {
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    c_.version->setText(QStringLiteral("Version ") + QString::fromLatin1(orvantaVersion()));
    c_.mail->setText(QString::fromLatin1(kSupportEmail));
    c_.homePage->setText(QString::fromLatin1(kHomePageText));
    for (WLinkLabel* link : {c_.mail, c_.homePage}) {
        setTextColor(link, kLinkColor);
        QFont underlined = link->font();
        underlined.setUnderline(true);
        link->setFont(underlined);
        link->setToolTip(link == c_.mail ? mailUrl().toString() : homePageUrl().toString());
    }

    // The frame takes the size of the picture; the names stand beside it,
    // each link just after its caption.
    WPictureFrame* picture = c_.picture;
    const QImage product = productBitmap();
    picture->resize(product.size() + 2 * QSize(picture->frameWidth(), picture->frameWidth()));
    picture->showCentred(QPixmap::fromImage(product));
    const int namesLeft = picture->x() + picture->width() + kNamesGap;
    for (QLabel* label : c_.names) {
        label->move(namesLeft, label->y());
        fitToText(label);
    }
    for (auto [caption, link] : {std::pair{c_.mailCaption, c_.mail}, std::pair{c_.homePageCaption, c_.homePage}}) {
        fitToText(caption);
        fitToText(link);
        link->move(caption->x() + caption->width() + kLinkGap, link->y());
    }

    c_.mail->ClickEvent.connect([this] { return openMail(), true; });
    c_.homePage->ClickEvent.connect([this] { return openHomePage(), true; });
}

TabForm3::Controls TabForm3::bindControls() const {
    Controls c{};
    WControlBinder(*this)
        .bind(c.picture, "pictb_Product")
        .bind(c.version, "label_Version")
        .bind(c.names, {"label_ProductName", "label_Version", "label_1", "label_12"})
        .bind(c.mailCaption, "label_4")
        .bind(c.mail, "label_5")
        .bind(c.homePageCaption, "label_6")
        .bind(c.homePage, "label_7")
        .check();
    return c;
}

void TabForm3::markVisited(WLinkLabel* link) { setTextColor(link, kVisitedColor); }

void TabForm3::openMail() {
    markVisited(c_.mail);
    opener_(mailUrl());
}

void TabForm3::openHomePage() {
    markVisited(c_.homePage);
    opener_(homePageUrl());
}

}  // namespace orvanta
