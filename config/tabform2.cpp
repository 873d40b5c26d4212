#include "config/tabform2.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>

#include "base/WRegistryKey.h"
#include "base/WString.h"
#include "catalogue/directoryscan.h"
#include "catalogue/pictureorder.h"
#include "config/picturefolder.h"
#include "desktop/desktopkey.h"
#include "desktop/favourites.h"
#include "desktop/shelllink.h"
#include "desktop/wallpaper.h"
#include "framework/WChoosers.h"
#include "framework/WControlBinder.h"
#include "framework/WControls.h"
#include "framework/WSound.h"
#include "framework/waitcursor.h"
#include "show/decoders/bmpreader.h"
#include "show/decoders/exiforientation.h"
#include "show/decoders/jpegdecoder.h"
#include "show/decoders/picturefile.h"
#include "show/decoders/pngdecoder.h"
#include "show/pixels/resample.h"

namespace orvanta {

namespace {

constexpr const char* kAddDirectoryTitle = "Select a directory containing pictures.";
constexpr const char* kFavouritesTitle = "Select a directory to store shortcuts to favorite pictures.";
constexpr const char* kColumnCaption = "Image Directories";

QString qs(const std::string& text) { return QString::fromStdString(text); }

QImage placeholderImage() {
    static const QImage image = QImage(QStringLiteral(":/icons/placeholder.xpm")).convertToFormat(QImage::Format_RGB32);
    return image;
}

// The picture scaled to `size` by area averaging, as the show stretches.
QImage scaledTo(const QImage& picture, QSize size) {
    if (picture.size() == size) return picture;
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::black);
    stretchBox(picture, picture.rect(), out, out.rect());
    return out;
}

// A 24-bit bitmap (B,G,R rows) of a 32-bit image.
WBitmap bitmap24(const QImage& image) {
    WBitmap bitmap;
    if (!bitmap.create(image.width(), image.height(), 24)) return bitmap;
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* out = bitmap.row(y);
        for (int x = 0; x < image.width(); ++x) {
            out[3 * x] = static_cast<std::uint8_t>(qBlue(in[x]));
            out[3 * x + 1] = static_cast<std::uint8_t>(qGreen(in[x]));
            out[3 * x + 2] = static_cast<std::uint8_t>(qRed(in[x]));
        }
    }
    return bitmap;
}

}  // namespace

QSize TabForm2::previewBoxFor(int dpi) {
    if (dpi == 96 || dpi <= 0) return {160, 120};
    if (dpi == 120) return {200, 150};
    return {160 * dpi / 96, 120 * dpi / 96};
}

QSize TabForm2::fitToBox(QSize picture, QSize box) {
    if (picture.isEmpty() || box.isEmpty()) return {};
    const double factor = std::max(static_cast<double>(picture.width()) / box.width(),
                                   static_cast<double>(picture.height()) / box.height());
    return {std::max(1, static_cast<int>(picture.width() / factor)),
            std::max(1, static_cast<int>(picture.height() / factor))};
}

TabForm2::TabForm2(WallpaperHooks wallpaper)
    : ConfigPage(PageId::PictureSelection),
      wallpaper_(std::move(wallpaper)),
      c_(bindControls()),
      directoryList_(c_.directories, kColumnCaption, kMaxPictureDirs) {
    chooseFolder_ = folderChooserFor(this);
    playSnap_ = [] { playSnapSound(); };

    QScreen* screen = QGuiApplication::primaryScreen();
    previewBox_ = previewBoxFor(screen ? qRound(screen->logicalDotsPerInchY()) : 96);
    screenSize_ = screen ? screen->size() * screen->devicePixelRatio() : QSize(1024, 768);
    // The frame holds the whole preview box and its border, and the two group
    // boxes reach below it.
    c_.picture->resize(c_.picture->size().expandedTo(previewBox_ + QSize(2, 2)));
    const int bottom = std::max(c_.previewGroup->geometry().bottom(), c_.picture->geometry().bottom() + units().y(5));
    for (QWidget* group : {c_.directoriesGroup, c_.previewGroup})
        group->resize(group->width(), bottom - group->y() + 1);

    c_.countLabel->setText(qs(pictureCountText(0)));
    // Room for the count text of the largest folders.
    c_.countLabel->resize(std::max(c_.countLabel->width(),
                                   c_.countLabel->fontMetrics().horizontalAdvance(qs(pictureCountText(99999))) + 2),
                          c_.countLabel->height());
    showPlaceholder();

    MessageEvent.connect([this](const PageMessage& message) {
        if (message.kind != PageMessageKind::StretchModeChanged) return false;
        stretchMode_ = message.stretchMode;
        return true;
    });
    ShowEvent.connect([this] {
        if (c_.directories->count() == 0) return false;
        const int remembered = lastFileIndex_;
        refreshFileList();
        if (remembered >= 0 && remembered < c_.files->count()) selectFileQuietly(remembered);
        if (c_.preview->isChecked()) loadPreview();
        return false;
    });
    // A click shows the clicked folder's pictures and moves on to them; moving
    // through the folders with the keyboard updates the pictures and stays.
    connect(c_.directories, &QTreeWidget::itemClicked, this, [this] { refreshFileList(); });
    connect(c_.directories, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (c_.directories->selectedIndex() >= 0 && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
            refreshFileList(false);
    });
    c_.directories->DoubleClickEvent.connect([this](int index) { return toggleUseFlag(index), true; });
    c_.directories->DropFileEvent.connect(
        [this](const std::vector<std::string>& paths) { return addDroppedPaths(paths), true; });
    connect(c_.files, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        if (c_.preview->isChecked()) loadPreview();
        lastFileIndex_ = row;
    });
    connect(c_.addDirectory, &QPushButton::clicked, this, [this] { addDirectory(); });
    connect(c_.addSubdirectories, &QPushButton::clicked, this, [this] { addSubdirectories(); });
    connect(c_.removeSelected, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(c_.removeAll, &QPushButton::clicked, this, [this] { removeAll(); });
    connect(c_.selectAll, &QPushButton::clicked, this, [this] { setAllUseFlags(true); });
    connect(c_.deselectAll, &QPushButton::clicked, this, [this] { setAllUseFlags(false); });
    connect(c_.preview, &QCheckBox::clicked, this, [this] { setPreview(c_.preview->isChecked()); });
    connect(c_.wallButton, &QPushButton::clicked, this, [this] { makeWallpaper(); });
    connect(c_.chooseFavourites, &QPushButton::clicked, this, [this] { chooseFavourites(); });
    connect(c_.saveFavourite, &QPushButton::clicked, this, [this] { saveFavourite(); });
    connect(c_.allowDuplicates, &QCheckBox::clicked, this, [this] { duplicatesAllowed_ = true; });
    connect(c_.removeDuplicates, &QPushButton::clicked, this, [this] {
        removeDuplicates();
        refreshFileList();
    });
    // The shortcut button is never shown; its mnemonic works while the page is.
    auto* altF = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F), this);
    altF->setContext(Qt::WindowShortcut);
    connect(altF, &QShortcut::activated, this, [this] { saveFavourite(); });
}

TabForm2::Controls TabForm2::bindControls() const {
    Controls c{};
    WControlBinder(*this)
        .bind(c.directories, "lv_1")
        .bind(c.files, "lb_2")
        .bind(c.countLabel, "label_1")
        .bind(c.preview, "checkbox_1")
        .bind(c.wallButton, "WallButton")
        .bind(c.picture, "pictb_1")
        .bind(c.autoSubdirectories, "autoAddSubsChkBox")
        .bind(c.allowDuplicates, "checkbox_2")
        .bind(c.favouritesEdit, "FavDir")
        .bind(c.directoriesGroup, "groupb_1")
        .bind(c.previewGroup, "groupb_2")
        .bind(c.addDirectory, "Add_Dir")
        .bind(c.addSubdirectories, "Add_Subs")
        .bind(c.removeSelected, "Rem_Sel")
        .bind(c.removeAll, "Rem_All")
        .bind(c.selectAll, "Sel_All")
        .bind(c.deselectAll, "Desel_All")
        .bind(c.chooseFavourites, "Fav_Choose")
        .bind(c.saveFavourite, "SC_Button")
        .bind(c.removeDuplicates, "cb_1")
        .check();
    return c;
}

void TabForm2::loadSettings(const Settings& s) {
    directoryList_.load(s.imageDirs);
    c_.autoSubdirectories->setChecked(s.AutoSubDir);
    lastAddedDir_ = s.LastAddedDir;
    favouritesDir_ = s.CurrentFavDir;
    c_.favouritesEdit->setText(shownName(favouritesDir_));
    c_.favouritesEdit->setCursorPosition(0);
}

void TabForm2::collectSettings(Settings& s) const {
    s.imageDirs = directoryList_.entries();
    s.Count = static_cast<int>(s.imageDirs.size());
    s.AutoSubDir = c_.autoSubdirectories->isChecked();
    s.LastAddedDir = lastAddedDir_;
    s.CurrentFavDir = favouritesDir_;
}

QSize TabForm2::previewSize() const {
    return c_.picture->showingFramed() ? c_.picture->framedPicture().size() : QSize();
}

QString TabForm2::folderStatus(const QString& path) const {
    return qs(pictureCountText(static_cast<int>(picturesInFolder(QFile::encodeName(path).toStdString()).size())));
}

std::string TabForm2::selectedDirectory() const { return directoryList_.selectedPath(); }

std::string TabForm2::selectedFilePath() const {
    const std::string folder = selectedDirectory();
    const int row = c_.files->selectedIndex() >= 0 ? c_.files->selectedIndex() : 0;
    if (folder.empty() || row >= c_.files->count()) return {};
    const QListWidgetItem* item = c_.files->item(row);
    return withSlash(folder) + nameOf(item->data(kNameBytesRole), item->text());
}

void TabForm2::selectFileQuietly(int index) {
    const QSignalBlocker quiet(c_.files);
    c_.files->selectIndex(index);
}

void TabForm2::refreshFileList(bool focusFiles) {
    if (c_.directories->count() == 0) return;
    if (c_.directories->selectedIndex() < 0) directoryList_.selectQuietly(0);
    const std::string folder = selectedDirectory();
    const std::vector<std::string> names = picturesInFolder(folder);
    {
        const QSignalBlocker quiet(c_.files);
        c_.files->clear();
        for (const std::string& name : names)
            c_.files->item(c_.files->addString(shownName(name)))->setData(kNameBytesRole, keptName(name));
    }
    c_.countLabel->setText(qs(pictureCountText(static_cast<int>(names.size()))));
    selectFileQuietly(0);
    if (focusFiles) c_.files->setFocus();
}

void TabForm2::addDirectory() {
    const std::optional<QString> chosen = chooseFolder_(QString::fromLatin1(kAddDirectoryTitle), qs(lastAddedDir_),
                                                        [this](const QString& path) { return folderStatus(path); });
    if (chosen) lastAddedDir_ = chosen->toStdString();
    duplicatesAllowed_ = false;
    directoryList_.add([&] {
        if (chosen && !chosen->isEmpty()) directoryList_.insertUsed(*chosen);
        directoryList_.removeDuplicates(false);
    });
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm2::addSubdirectories() {
    const int selected = c_.directories->selectedIndex();
    if (selected < 0) return;
    WaitCursor wait;
    duplicatesAllowed_ = false;
    directoryList_.add([&] {
        directoryList_.insertAllUsed(expandSubdirectories({selectedDirectory()}, kMaxPictureDirs));
        directoryList_.removeDuplicates(true);
    });
    directoryList_.selectQuietly(std::min(selected, c_.directories->count() - 1));
    c_.directories->setFocus();
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm2::addDroppedPaths(const std::vector<std::string>& paths) {
    directoryList_.add([&] { directoryList_.insertDropped(paths); });
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm2::removeDuplicates() { directoryList_.removeDuplicates(false); }

void TabForm2::removeSelected() {
    if (!directoryList_.removeSelected()) {
        removeAll();
        return;
    }
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm2::removeAll() {
    directoryList_.removeAll();
    {
        const QSignalBlocker quiet(c_.files);
        c_.files->clear();
    }
    c_.countLabel->setText(qs(pictureCountText(0)));
    c_.preview->setChecked(false);
    c_.wallButton->setEnabled(false);
    showPlaceholder();
}

void TabForm2::setAllUseFlags(bool used) { directoryList_.setAllUseFlags(used); }

void TabForm2::toggleUseFlag(int index) { directoryList_.toggleUseFlag(index); }

void TabForm2::showPlaceholder() { c_.picture->showCentred(QPixmap::fromImage(placeholderImage())); }

void TabForm2::setPreview(bool on) {
    c_.preview->setChecked(on);
    c_.wallButton->setEnabled(on);
    if (on) loadPreview();
    else showPlaceholder();
    c_.files->setFocus();
}

QImage TabForm2::decodeSelected(QSize scaleAgainst, bool fast) {
    if (c_.files->count() > 0 && c_.files->selectedIndex() < 0) selectFileQuietly(0);
    const std::string path = selectedFilePath();
    if (path.empty()) return {};
    const std::string target = pictureTarget(path);
    LoadContext context;
    context.decode.screenWidth = scaleAgainst.width();
    context.decode.screenHeight = scaleAgainst.height();
    context.decode.fast = fast;
    // The preview box only ever shrinks a picture: one far larger than the
    // box is read straight into a reduced copy instead of whole.
    if (fast) {
        ShowFitting shrink;
        shrink.shrinkOnly = true;
        context.decode.fitting = shrink;
    }
    LoadedPicture picture;
    if (loadPictureFile(target, context, picture) != LoadResult::Loaded) return {};
    return picture.bitmap.toImage32();
}

void TabForm2::loadPreview() {
    WaitCursor wait;
    QImage image = decodeSelected(previewBox_, true);
    if (image.isNull()) image = placeholderImage();
    c_.picture->showFramed(scaledTo(image, fitToBox(image.size(), previewBox_)));
}

void TabForm2::makeWallpaper() {
    if (c_.files->count() == 0) return;
    WaitCursor wait;
    QImage image = decodeSelected(screenSize_, false);
    if (image.isNull()) image = placeholderImage();

    const std::string path = wallpaperFilePath();
    makeWallpaperDirectory(wallpaperDirectory());
    QFile::remove(qs(path));
    const QSize size = wallpaperSize(stretchMode_, image.size(), screenSize_);
    if (size.isEmpty()) return;
    const WBitmap bitmap = bitmap24(scaledTo(image, size));
    if (bitmap.isNull() || !wallpaper_.writeBitmap || !wallpaper_.writeBitmap(bitmap, path)) return;

    const bool tiled = wallpaperTiled(stretchMode_);
    setTileWallpaper(tiled);
    if (wallpaper_.setDesktopWallpaper) wallpaper_.setDesktopWallpaper(path, tiled);
}

void TabForm2::chooseFavourites() {
    const std::optional<QString> chosen = chooseFolder_(QString::fromLatin1(kFavouritesTitle), qs(favouritesDir_),
                                                        [this](const QString& path) { return folderStatus(path); });
    if (chosen) {
        if (!chosen->isEmpty()) {
            c_.favouritesEdit->setText(*chosen);
            c_.favouritesEdit->setCursorPosition(0);
            directoryList_.insertUsed(*chosen);
        }
        favouritesDir_ = chosen->toStdString();
    }
    directoryList_.removeDuplicates(false);
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm2::saveFavourite() {
    if (c_.files->count() == 0) return;
    const std::string file = selectedFilePath();
    // The folder as typed; untouched, the folder as stored, whatever its bytes.
    if (c_.favouritesEdit->text() != shownName(favouritesDir_))
        favouritesDir_ = c_.favouritesEdit->text().toStdString();
    if (file.empty() || entryKind(file) == EntryKind::Shortcut) return;
    const std::optional<FavouriteLink> link = favouriteLinkFor(favouritesDirectoryForUse(favouritesDir_), file);
    if (!link) return;
    if (createShortcut(file, link->linkPath, link->description) == 0 && playSnap_) playSnap_();
}

}  // namespace orvanta
