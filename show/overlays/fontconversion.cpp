#include "show/overlays/fontconversion.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <algorithm>
#include <mutex>
#include <utility>

namespace orvanta {
namespace {

// Qt consults substitutes only for a family it cannot find, so an installed
// original still wins.
void installSubstitutes() {
    static std::once_flag once;
    std::call_once(once, [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("MS Serif"), QStringLiteral("Liberation Serif"));
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
        QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    });
}

}  // namespace

QFont toQFont(const FontDescription& description, qreal devicePixelRatio) {
    installSubstitutes();
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QFont font(QString::fromStdString(description.face.empty() ? std::string(kDefaultFontFace) : description.face));
    if (description.pointSize > 0) {
        if (ratio == 1.0) font.setPointSize(description.pointSize);
        else font.setPointSizeF(description.pointSize * ratio);
    } else if (description.height != 0) {
        font.setPixelSize(std::max(1, qRound(std::abs(description.height) * ratio)));
    }
    font.setWeight(description.weight <= 0 ? QFont::Normal
                                           : static_cast<QFont::Weight>(std::min(description.weight, 1000)));
    font.setItalic(description.italic);
    font.setUnderline(description.underline);
    font.setStrikeOut(description.strikeout);
    if (description.width > 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0) font.setStretch(std::clamp(qRound(description.width * ratio * 100 / natural), 1, 4000));
    }
    return font;
}

QFont atDeviceRatio(QFont font, qreal devicePixelRatio) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (ratio == 1.0) return font;
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * ratio);
    else if (font.pixelSize() > 0) font.setPixelSize(qRound(font.pixelSize() * ratio));
    return font;
}

FontDescription fromQFont(const QFont& font, const FontDescription& base) {
    FontDescription description = base;
    // A face as a font list names it ("Family [Foundry]") is stored as the
    // family alone; a font without a family keeps the face it had.
    if (std::string face = faceWithoutFoundry(font.family().toStdString()); !face.empty())
        description.face = std::move(face);
    else if (description.face.empty()) description.face = kDefaultFontFace;
    description.pointSize = font.pointSize() > 0 ? font.pointSize() : 0;
    description.height = description.pointSize == 0 && font.pixelSize() > 0 ? font.pixelSize() : 0;
    description.width = 0;
    description.weight = font.weight();
    description.italic = font.italic();
    description.underline = font.underline();
    description.strikeout = font.strikeOut();
    return description;
}

}  // namespace orvanta
