#pragma once
// The help pages of the settings dialog: HTML files installed with the
// program, one per tab and one general page, opened in the default browser.
// The folder is looked for once, on the first request; when it is missing,
// that request and every later one do nothing and report nothing.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace orvanta {

class HelpPages {
public:
    // Opens a URL in the default browser; QDesktopServices::openUrl when empty.
    using Opener = std::function<bool(const QUrl&)>;
    explicit HelpPages(Opener opener = {});

    // The page of tab 0..5 (its row in the page table), or the general page
    // for any other index (-1: no tab).
    static QString topicFile(int tabIndex);
    // Where the pages are looked for, in order: the installed data folder
    // next to the program (../share/orvanta/help), the build tree (help/
    // beside the program), then orvanta/help in the XDG data folders.
    static QStringList searchFolders();

    // Opens the tab's page. Returns whether a page was handed to the browser.
    bool show(int tabIndex);
    // Number of times the folder was looked for (0 or 1).
    int lookups() const { return lookups_; }

private:
    enum class State { NotLoaded, Loaded, Failed };
    Opener opener_;
    State state_ = State::NotLoaded;
    QString folder_;
    int lookups_ = 0;
};

}  // namespace orvanta
