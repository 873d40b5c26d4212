#pragma once
// The Support page: a report of the user's system and of the settings saved
// last, which the user copies into a mail to the author. The system part is
// gathered once, when the page is made (once per opening of the dialog); the
// settings part is read from the settings key every time the page is shown,
// so it tells what was saved, not what the other pages show now. The page
// edits no setting.
#include <QUrl>
#include <functional>
#include <string>

#include "config/configpage.h"

class QPlainTextEdit;
class QPushButton;

namespace orvanta {

class TabForm6 : public ConfigPage {
public:
    // Opens an address with the desktop's default program; QDesktopServices::openUrl when empty.
    using Opener = std::function<bool(const QUrl&)>;
    explicit TabForm6(Opener opener = {});

    const std::string& systemPart() const { return systemPart_; }
    // The report as the page shows it.
    QString reportText() const;

    // The report made anew: the kept system part and the settings saved now.
    void refreshReport();
    // Copy to Clipboard: the whole report, selected, copied, then unselected.
    void copyToClipboard();
    // Email Author: a new mail to the support address with the report in it.
    void emailAuthor();

    // The mail for a report: "mailto:" with the support address and the
    // report as the body.
    static QUrl mailUrl(const QString& report);

private:
    struct Controls {
        QPlainTextEdit* report;
        QPushButton* copy;
        QPushButton* email;
    };
    Controls bindControls() const;

    Opener opener_;
    const Controls c_;
    std::string systemPart_;
};

}  // namespace orvanta
