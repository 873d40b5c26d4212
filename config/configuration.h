#pragma once
// The settings dialog "Orvanta Settings": a tab control with the pages of
// the page table (configpages.h) and OK, Cancel and Help below it. It owns a
// copy of the settings record, loaded once (after migrating earlier
// versions) when the pages have been built.
// OK collects the pages and saves every setting; when the settings file
// cannot be written it says why and the dialog stays open with the edits.
// Cancel, Escape and the window's close button write nothing. F1 anywhere and Help open the help
// page of the selected tab. The messages that pages post to the dialog are
// passed on, posted, to the page that takes them.
#include <QDialog>
#include <functional>
#include <vector>

#include "config/configpages.h"
#include "config/helppages.h"
#include "config/wallpaperhooks.h"
#include "framework/WEvent.h"
#include "settings/settings.h"

class QPushButton;

namespace orvanta {

class ConfigPage;
class TabForm1;
class TabForm2;
class WForm;
class WTabControl;

struct ConfigurationOptions {
    int transitionCount = kTransitionCount;  // 35: the blend transition is always available here
    // Shows a notice and returns when it is dismissed; the program's message
    // box over the dialog when empty.
    std::function<void(const QString& title, const QString& text)> showMessage;
    HelpPages::Opener helpOpener;  // the default browser when empty
    WallpaperHooks wallpaper;      // how the Picture Selection page sets the wallpaper
};

class Configuration : public QDialog {
public:
    explicit Configuration(ConfigurationOptions options = {}, QWidget* parent = nullptr);
    ~Configuration() override;

    // The notice of an OK whose save failed; `failure` is "<file>: <reason>".
    static constexpr const char* kSaveFailedTitle = "Orvanta Settings";
    static QString saveFailedText(const QString& failure);

    WTabControl* tabControl() const { return tabs_; }
    // The page on tab 0..5 (nullptr for another index), and by its id.
    ConfigPage* page(int tab) const;
    ConfigPage* page(PageId id) const { return page(tabIndex(id)); }
    TabForm1* tabForm1() const;
    TabForm2* tabForm2() const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* helpButton() const { return help_; }
    const Settings& settings() const { return settings_; }
    HelpPages& helpPages() { return helpPages_; }

    // F1 or Help: the page of the selected tab, the general page when none is.
    void showHelp();

    WEvent<const PageMessage&> MessageEvent;  // messages posted to the dialog; true keeps one from being passed on

protected:
    bool event(QEvent* event) override;

private:
    void buildPages();
    void fitPages();
    void loadPages();
    void ok();
    void notify(const QString& title, const QString& text);

    ConfigurationOptions options_;
    WForm* body_ = nullptr;
    WTabControl* tabs_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
    std::vector<ConfigPage*> pages_;  // in tab order, owned by the tab control
    Settings settings_;
    HelpPages helpPages_;
};

// Settings mode: runs the dialog modally, transient for the X window `owner`
// when it exists (0: no owner), and returns when it has been closed.
void runConfiguration(unsigned long owner);

}  // namespace orvanta
