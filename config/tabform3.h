#pragma once
// The About Orvanta page: the product picture, name, version and platform,
// the credits of the JPEG and PNG libraries, and two links, the support mail
// address and the home page, which open in the user's mail program and
// browser. The page edits no setting.
#include <QImage>
#include <QUrl>
#include <array>
#include <functional>

#include "config/configpage.h"

class QLabel;

namespace orvanta {

class WLinkLabel;
class WPictureFrame;

class TabForm3 : public ConfigPage {
public:
    // Opens a URL with the desktop's default program; QDesktopServices::openUrl when empty.
    using Opener = std::function<bool(const QUrl&)>;
    explicit TabForm3(Opener opener = {});

    // The product picture: a picture arriving over another through a
    // diagonal wipe, on a night-blue screen.
    static QImage productBitmap();
    static QUrl mailUrl();
    static QUrl homePageUrl();

    // The links' handlers: the link takes the visited colour and its address is opened.
    void openMail();
    void openHomePage();

private:
    void markVisited(WLinkLabel* link);

    struct Controls {
        WPictureFrame* picture;
        QLabel* version;
        std::array<QLabel*, 4> names;  // product name, version, the two library credits
        QLabel* mailCaption;
        WLinkLabel* mail;
        QLabel* homePageCaption;
        WLinkLabel* homePage;
    };
    Controls bindControls() const;

    Opener opener_;
    const Controls c_;
};

}  // namespace orvanta
