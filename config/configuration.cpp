#include "config/configuration.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <cstdio>

#include "config/configpage.h"
#include "config/tabform1.h"
#include "config/tabform2.h"
#include "config/tabform3.h"
#include "config/tabform4.h"
#include "config/tabform6.h"
#include "config/tabform7.h"
#include "framework/WForm.h"
#include "framework/WShowWindow.h"
#include "framework/WTabControl.h"
#include "framework/foreignwindow.h"
#include "framework/messagebox.h"
#include "framework/waitcursor.h"
#include "music/opticaldrives.h"
#include "settings/dialogsettings.h"
#include "settings/settingsstore.h"

namespace orvanta {

const char* const Configuration::kTabLabels[6] = {"Picture Settings", "Picture Selection", "Effects/Overlays",
                                                  "Music Selection",  "About Orvanta",     "Support"};

namespace {

constexpr int kTabItemWidth = 120;

}  // namespace

Configuration::Configuration(ConfigurationOptions options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), helpPages_(options_.helpOpener) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    body_ = new WForm(WForm::loadTable(QStringLiteral(":/forms/Configuration.form")), this);
    setObjectName(body_->formName());
    setWindowTitle(body_->windowTitle());
    setFont(body_->font());
    tabs_ = body_->get<WTabControl>("tabctrl_1");
    ok_ = body_->get<QPushButton>("OK");
    cancel_ = body_->get<QPushButton>("Cancel");
    help_ = body_->get<QPushButton>("HelpButton");
    tabs_->setItemWidth(kTabItemWidth);

    connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    connect(help_, &QPushButton::clicked, this, [this] { showHelp(); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] { showHelp(); });
    // Tabs also switch from the keyboard anywhere in the dialog.
    for (const auto& [keys, step] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, delta = step] {
            const int n = tabs_->count();
            tabs_->setCurrentIndex(((std::max(0, tabs_->currentIndex()) + delta) % n + n) % n);
        });
    }

    buildPages();
    fitPages();
    tabs_->setCurrentIndex(0);
    loadPages();
}

Configuration::~Configuration() = default;

ConfigPage* Configuration::page(int tab) const { return tab >= 0 && tab < 6 ? pages_[tab] : nullptr; }

void Configuration::buildPages() {
    tabForm1_ = new TabForm1();
    tabForm2_ = new TabForm2(options_.wallpaper);
    pages_[0] = tabForm1_;
    pages_[1] = tabForm2_;
    pages_[2] = new TabForm4(options_.transitionCount);
    pages_[3] = new TabForm7();
    pages_[4] = new TabForm3();
    pages_[5] = new TabForm6();
    for (int i = 0; i < 6; ++i) {
        pages_[i]->setOwnerForm(this);
        tabs_->insertTab(QString::fromLatin1(kTabLabels[i]), pages_[i]);
    }
}

void Configuration::fitPages() {
    // The pages need the room their tables give them. When the tabs take more
    // rows than the table allowed for, the tab control, and the dialog with
    // it, grow so that no page is cut off; the buttons move down.
    QSize needed;
    for (ConfigPage* page : pages_) needed = needed.expandedTo(page->requiredSize());
    const QRect area = tabs_->displayRect();
    const int extraWidth = std::max(0, needed.width() - area.width());
    const int extraHeight = std::max(0, needed.height() - area.height());
    if (extraWidth || extraHeight) {
        tabs_->resize(tabs_->width() + extraWidth, tabs_->height() + extraHeight);
        for (QPushButton* button : {ok_, cancel_, help_})
            button->move(button->x() + extraWidth / 2, button->y() + extraHeight);
        body_->resize(body_->width() + extraWidth, body_->height() + extraHeight);
    }
    setFixedSize(body_->size());
}

void Configuration::loadPages() {
    DialogLoadContext context;
    context.transitionCount = options_.transitionCount;
    const std::vector<std::string> drives = opticalDrives();
    if (!drives.empty()) context.firstCdDrive = drives.front();
    loadDialogSettings(settings_, context);
    for (ConfigPage* page : pages_) page->loadSettings(settings_);
}

void Configuration::showHelp() { helpPages_.show(tabs_->currentIndex()); }

bool Configuration::event(QEvent* event) {
    if (event->type() == WUserEvent::eventType()) {
        const int code = static_cast<WUserEvent*>(event)->code;
        if (!UserEvent.raise(code)) QCoreApplication::postEvent(tabForm2_, new WUserEvent(code));
        return true;
    }
    return QDialog::event(event);
}

void Configuration::notify(const QString& title, const QString& text) {
    if (options_.showMessage) options_.showMessage(title, text);
    else showMessageBox(windowHandle(), title, text);
}

void Configuration::ok() {
    WaitCursor wait;
    // The pages' values go into the record; the notice for manual mode comes
    // before anything is written, and the save goes on after it in any case.
    for (ConfigPage* page : pages_) page->collectSettings(settings_);
    std::string failure;
    const bool saved = saveSettings(
        settings_, options_.transitionCount,
        [this](const char* title, const char* text) {
            QGuiApplication::restoreOverrideCursor();  // the notice gets the ordinary cursor
            notify(QString::fromUtf8(title), QString::fromUtf8(text));
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        },
        &failure);
    if (!saved) {
        // Closing now would throw the user's edits away as if they were kept:
        // the dialog stays, with everything as the user left it.
        QGuiApplication::restoreOverrideCursor();
        notify(QString::fromLatin1(kSaveFailedTitle), saveFailedText(QString::fromStdString(failure)));
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    accept();
}

QString Configuration::saveFailedText(const QString& failure) {
    return QStringLiteral("The settings could not be saved.\n\n") + failure +
           QStringLiteral(
               "\n\nYour changes are still in this dialog: press OK to try again, or Cancel to discard "
               "them.");
}

void runConfiguration(unsigned long owner) {
    ConfigurationOptions options;
    options.wallpaper = programWallpaperHooks();
    try {
        Configuration dialog(std::move(options));
        if (owner != 0) setTransientForForeign(&dialog, owner);
        dialog.exec();
    } catch (const std::exception& error) {
        // Only a form table that does not match its code gets here: a broken build.
        std::fprintf(stderr, "orvanta: the settings dialog cannot be built: %s\n", error.what());
    }
}

}  // namespace orvanta
