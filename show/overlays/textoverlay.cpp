#include "show/overlays/textoverlay.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLocale>

#include "show/overlays/fontconversion.h"
#include "show/overlays/overlaylayout.h"

namespace orvanta {
namespace {

QColor toQColor(const Rgb& colour) { return QColor(colour.red, colour.green, colour.blue); }

// Texts from the settings are UTF-8; paths are file-name bytes.
QString fromSettingsText(const std::string& text) { return QString::fromStdString(trimBlanks(text)); }

}  // namespace

OverlayFonts OverlayFonts::fromSettings(const Settings& settings, qreal devicePixelRatio) {
    return {toQFont(settings.TextFont, devicePixelRatio), toQFont(settings.CaptionFont, devicePixelRatio),
            atDeviceRatio(QFontDatabase::systemFont(QFontDatabase::GeneralFont), devicePixelRatio)};
}

QSize measureText(const QPainter& painter, const QString& text) {
    // Flags 0: no mnemonic processing, so "&" measures as itself; QPainter's
    // drawText without Qt::TextShowMnemonic draws it the same way.
    return painter.fontMetrics().size(0, text);
}

QRect drawMessage(QPainter& painter, QSize show, const Settings& settings, const QFont& font, CRandom& random) {
    const QString text = fromSettingsText(settings.MsgText);
    painter.setFont(font);
    painter.setPen(toQColor(settings.TextColor));
    painter.setBackgroundMode(Qt::TransparentMode);
    const QRect box = messageRect(settings.MsgPlace, measureText(painter, text), show, random);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return box;
}

QRect drawCaption(QPainter& painter, QSize show, const Settings& settings, const QFont& font, const std::string& text) {
    const QString caption = fromSettingsText(text);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QRect box = captionRect(settings.CaptionPlace, measureText(painter, caption), show);
    if (!settings.CaptionTrans) painter.fillRect(box, toQColor(settings.CaptionBackColor));
    painter.setPen(toQColor(settings.CaptionColor));
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, caption);
    return box;
}

void drawOverlays(QPainter& painter, QSize show, const Settings& settings, const OverlayFonts& fonts,
                  const std::string& picturePath, CRandom& random) {
    if (settings.Message) drawMessage(painter, show, settings, fonts.textFont, random);
    if (settings.Captions) {
        const std::string date = settings.CaptionDate ? fileShortDate(picturePath) : std::string();
        drawCaption(painter, show, settings, fonts.captionFont,
                    captionText(picturePath, settings.CaptionFullPath, date));
    }
}

std::string fileShortDate(const std::string& path) {
    const QFileInfo info(QFile::decodeName(path.c_str()));
    // The picture was just read, so a missing time means it vanished since:
    // the caption then goes without a date.
    if (!info.exists()) return {};
    const QDateTime written = info.lastModified();
    if (!written.isValid()) return {};
    const QString date = QLocale::system().toString(written.toLocalTime().date(), QLocale::ShortFormat).left(31);
    return date.trimmed().toStdString();
}

QRect drawStatusText(QPainter& painter, QSize show, const QFont& font, const QString& text, bool captions,
                     int captionPlace) {
    painter.setFont(font);
    const QRect box = statusTextRect(measureText(painter, text), show, captions, captionPlace);
    painter.fillRect(box, Qt::black);
    painter.setPen(QColor(150, 150, 150));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
    return box;
}

}  // namespace orvanta
