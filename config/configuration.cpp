#include "config/configuration.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <cstdio>

#include "config/configpage.h"
#include "config/tabform1.h"
#include "config/tabform2.h"
#include "framework/WControlBinder.h"
#include "framework/WForm.h"
#include "framework/WTabControl.h"
#include "framework/foreignwindow.h"
#include "framework/messagebox.h"
#include "framework/waitcursor.h"
#include "music/opticaldrives.h"
#include "settings/dialogsettings.h"
#include "settings/settingsstore.h"

namespace orvanta {

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
    WControlBinder(*body_)
        .bind(tabs_, "tabctrl_1")
        .bind(ok_, "OK")
        .bind(cancel_, "Cancel")
        .bind(help_, "HelpButton")
        .check();
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

ConfigPage* Configuration::page(int tab) const {
    return tab >= 0 && tab < static_cast<int>(pages_.size()) ? pages_[static_cast<std::size_t>(tab)] : nullptr;
}

TabForm1* Configuration::tabForm1() const { return dynamic_cast<TabForm1*>(page(PageId::PictureSettings)); }

TabForm2* Configuration::tabForm2() const { return dynamic_cast<TabForm2*>(page(PageId::PictureSelection)); }

void Configuration::buildPages() {
    // Every page is made before the first one joins the tab control.
    std::vector<std::unique_ptr<ConfigPage>> made;
    for (const PageRow& row : configPages()) made.push_back(row.make(options_));
    for (std::size_t i = 0; i < made.size(); ++i) {
        ConfigPage* page = made[i].release();
        pages_.push_back(page);
        page->setOwnerForm(this);
        tabs_->insertTab(QString::fromLatin1(configPages()[i].tabLabel), page);
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
    if (event->type() == PageMessageEvent::eventType()) {
        const PageMessage message = static_cast<PageMessageEvent*>(event)->message;
        if (!MessageEvent.raise(message))
            QCoreApplication::postEvent(page(recipientOf(message.kind)), new PageMessageEvent(message));
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
