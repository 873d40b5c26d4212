#pragma once
// The settings dialog "Orvanta Settings": a tab control with six pages and
// OK, Cancel and Help below it. It owns a copy of the settings record, loaded
// once (after migrating earlier versions) when the pages have been built.
// OK collects the pages and saves every setting; when the settings file
// cannot be written it says why and the dialog stays open with the edits.
// Cancel, Escape and the window's close button write nothing. F1 anywhere and Help open the help
// page of the selected tab. Stretch-mode codes that the Picture Settings page
// posts to the dialog are passed on to the Picture Selection page.
#include <QDialog>
#include <functional>

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

    // The tab labels, in tab order.
    static const char* const kTabLabels[6];
    // The notice of an OK whose save failed; `failure` is "<file>: <reason>".
    static constexpr const char* kSaveFailedTitle = "Orvanta Settings";
    static QString saveFailedText(const QString& failure);

    WTabControl* tabControl() const { return tabs_; }
    // The page on tab 0..5.
    ConfigPage* page(int tab) const;
    TabForm1* tabForm1() const { return tabForm1_; }
    TabForm2* tabForm2() const { return tabForm2_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* helpButton() const { return help_; }
    const Settings& settings() const { return settings_; }
    HelpPages& helpPages() { return helpPages_; }

    // F1 or Help: the page of the selected tab, the general page when none is.
    void showHelp();

    WEvent<int> UserEvent;  // user events posted to the dialog, before they are passed on

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
    TabForm1* tabForm1_ = nullptr;
    TabForm2* tabForm2_ = nullptr;
    ConfigPage* pages_[6] = {};
    Settings settings_;
    HelpPages helpPages_;
};

// Settings mode: runs the dialog modally, transient for the X window `owner`
// when it exists (0: no owner), and returns when it has been closed.
void runConfiguration(unsigned long owner);

}  // namespace orvanta
