#include "config/tabform7.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include "framework/WControlBinder.h"
#include "framework/WControls.h"
#include "framework/cddrive.h"
#include "framework/mastervolume.h"
#include "framework/musicpreview.h"
#include "framework/qteventpump.h"
#include "framework/waitcursor.h"
#include "music/musicselection.h"
#include "music/opticaldrives.h"

namespace orvanta {

namespace {

constexpr const char* kAddDirectoryTitle = "Select a music directory";
constexpr const char* kColumnCaption = "Music Directories";
constexpr const char* kDownloadPage = "https://gstreamer.freedesktop.org/download/";
constexpr int kVolumeTick = 3276;
constexpr int kVolumePage = 20;
constexpr int kVolumeStart = 16380;
constexpr int kTrackRole = Qt::UserRole;
const QColor kLinkColor(0, 0, 255);
const QColor kVisitedColor(128, 0, 128);

QString qs(const std::string& text) { return QString::fromStdString(text); }

void setTextColor(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

}  // namespace

TabForm7::TabForm7(Opener opener)
    : ConfigPage(PageId::MusicSelection),
      opener_(std::move(opener)),
      cd_(std::make_unique<CdioDrive>()),
      c_(bindControls()),
      directoryList_(c_.directories, kColumnCaption, kMaxMusicDirs) {
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    chooseFolder_ = folderChooserFor(this);
    c_.drives->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    // The status line has room for the longest of its texts, inside its group.
    int statusWidth = c_.status->width();
    for (const std::string& text : {musicFileCountText(9999), cdTrackCountText(99), std::string(kNoAudioCdText)})
        statusWidth = std::max(statusWidth, c_.status->fontMetrics().horizontalAdvance(qs(text)) + 2);
    c_.status->resize(std::min(statusWidth, c_.previewGroup->geometry().right() - units().x(4) - c_.status->x()),
                      c_.status->height());
    c_.status->setText(qs(musicFileCountText(0)));

    setTextColor(c_.downloadLink, kLinkColor);
    QFont underlined = c_.downloadLink->font();
    underlined.setUnderline(true);
    c_.downloadLink->setFont(underlined);
    c_.downloadLink->setToolTip(downloadPageUrl().toString());

    // The slider stands for half the master volume; it starts in the middle
    // and then shows the volume as it is, when that can be read.
    c_.volume->setRange(0, kVolumeSliderMax);
    c_.volume->setTickInterval(kVolumeTick);
    c_.volume->setPageStep(kVolumePage);
    {
        const QSignalBlocker quiet(c_.volume);
        c_.volume->setValue(kVolumeStart);
        if (const std::optional<int> position = masterVolumeSliderPosition()) c_.volume->setValue(*position);
    }

    connect(c_.directories, &QTreeWidget::itemClicked, this, [this] { refreshFileList(); });
    connect(c_.directories, &QTreeWidget::itemSelectionChanged, this, [this] {
        // Moving through the folders with the keyboard lists their files too.
        if (c_.directories->selectedIndex() >= 0 && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
            refreshFileList();
    });
    c_.directories->DoubleClickEvent.connect([this](int index) { return toggleUseFlag(index), true; });
    c_.directories->DropFileEvent.connect(
        [this](const std::vector<std::string>& paths) { return addDroppedPaths(paths), true; });
    connect(c_.files, &QListWidget::currentRowChanged, this, [this](int row) {
        lastFileIndex_ = row;
        if (row >= 0 && previewPlaying()) play();
    });
    connect(c_.addDirectory, &QPushButton::clicked, this, [this] { addDirectory(); });
    connect(c_.addSubdirectories, &QPushButton::clicked, this, [this] { addSubdirectories(); });
    connect(c_.removeSelected, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(c_.removeAll, &QPushButton::clicked, this, [this] { removeAll(); });
    connect(c_.play, &QPushButton::clicked, this, [this] { play(); });
    connect(c_.stop, &QPushButton::clicked, this, [this] { stop(); });
    connect(c_.drives, &QComboBox::activated, this, [this] { cdMode(); });
    connect(c_.musicOption, &QRadioButton::clicked, this, [this] { directoryMode(); });
    connect(c_.cdOption, &QRadioButton::clicked, this, [this] { cdMode(); });
    connect(c_.noMusicOption, &QRadioButton::clicked, this, [this] { noMusicMode(); });
    c_.downloadLink->ClickEvent.connect([this] { return openDownloadPage(), true; });
    connect(c_.volume, &QSlider::valueChanged, this, [this](int position) { setVolumeFromSlider(position); });
}

TabForm7::Controls TabForm7::bindControls() const {
    Controls c{};
    WControlBinder(*this)
        .bind(c.directories, "lv_1")
        .bind(c.files, "lb_2")
        .bind(c.status, "label_1")
        .bind(c.play, "cb_Play")
        .bind(c.stop, "cb_Stop")
        .bind(c.randomTracks, "optb_Random")
        .bind(c.sequentialTracks, "optb_Seq")
        .bind(c.drives, "combo_CD")
        .bind(c.musicOption, "optb_Music")
        .bind(c.cdOption, "optb_CD")
        .bind(c.noMusicOption, "optb_NoMusic")
        .bind(c.downloadLink, "label_7")
        .bind(c.volume, "slider_1")
        .bind(c.previewGroup, "groupb_2")
        .bind(c.addDirectory, "Add_Dir")
        .bind(c.addSubdirectories, "Add_Subs")
        .bind(c.removeSelected, "Rem_Sel")
        .bind(c.removeAll, "Rem_All")
        .bind(c.directoryControls, {"lv_1", "Add_Dir", "Add_Subs", "Rem_Sel", "Rem_All"})
        .bind(c.cdControls, {"optb_Random", "optb_Seq", "combo_CD"})
        .bind(c.playControls, {"lb_2", "cb_Play", "cb_Stop", "slider_1", "label_9"})
        .bind(c.pluginNotes, {"label_4", "label_5", "label_6", "label_7"})
        .check();
    return c;
}

TabForm7::~TabForm7() = default;

void TabForm7::setCdDrive(std::unique_ptr<CdDrive> drive) { cd_ = std::move(drive); }

QUrl TabForm7::downloadPageUrl() { return QUrl(QString::fromLatin1(kDownloadPage)); }

void TabForm7::loadSettings(const Settings& s) {
    {
        const QSignalBlocker quiet(c_.drives);
        c_.drives->clear();
        for (const std::string& drive : listDrives_ ? listDrives_() : opticalDrives()) c_.drives->addItem(qs(drive));
        if (c_.drives->count() > 0) c_.drives->setCurrentIndex(0);
        // The first drive whose text begins with the stored one.
        const QString stored = qs(s.CDDrvStr);
        for (int i = 0; i < c_.drives->count(); ++i) {
            if (c_.drives->itemText(i).startsWith(stored)) {
                c_.drives->setCurrentIndex(i);
                break;
            }
        }
    }
    fitDriveBox();
    (s.CDRandom ? c_.randomTracks : c_.sequentialTracks)->setChecked(true);
    directoryList_.load(s.musicDirs);
    lastMusicDir_ = s.LastMusicDir;
    // The stored option is checked and acted on; a value the show does not
    // know plays no music there, and is shown as "No Music" here.
    switch (s.MusicOption) {
    case 1:
        c_.musicOption->setChecked(true);
        directoryMode();
        break;
    case 2:
        c_.cdOption->setChecked(true);
        cdMode();
        break;
    default:
        c_.noMusicOption->setChecked(true);
        noMusicMode();
        break;
    }
}

void TabForm7::collectSettings(Settings& s) const {
    s.MusicOption = c_.musicOption->isChecked() ? 1 : c_.cdOption->isChecked() ? 2 : 0;
    s.musicDirs = directoryList_.entries();
    s.NumMusicDirs = static_cast<int>(s.musicDirs.size());
    s.CDDrvStr = c_.drives->currentText().toStdString();
    s.CDRandom = c_.randomTracks->isChecked();
    s.LastMusicDir = lastMusicDir_;
}

void TabForm7::fitDriveBox() {
    // The drive box shows the whole device path, without reaching the track options.
    const QRect table = units().rect(55, 191, 36, 0);
    const int room = c_.randomTracks->x() - units().x(4) - c_.drives->x();
    c_.drives->resize(std::min(room, std::max(table.width(), c_.drives->sizeHint().width())), c_.drives->height());
}

void TabForm7::enableFor(Source source) {
    const bool directories = source == Source::Directories;
    const bool cd = source == Source::Cd;
    for (QWidget* control : c_.directoryControls) control->setEnabled(directories);
    for (QWidget* control : c_.cdControls) control->setEnabled(cd);
    for (QWidget* control : c_.playControls) control->setEnabled(directories || cd);
}

void TabForm7::closePreview() {
    if (preview_) preview_->close();
    const QSignalBlocker quiet(c_.files);
    c_.files->clear();
}

MusicPreview& TabForm7::preview() {
    if (!preview_) preview_ = std::make_unique<MusicPreview>();
    return *preview_;
}

bool TabForm7::previewPlaying() const { return preview_ && preview_->playing(); }

void TabForm7::directoryMode() {
    closePreview();
    enableFor(Source::Directories);
    for (QWidget* note : c_.pluginNotes) note->setVisible(true);
    refreshFileList();
}

void TabForm7::cdMode() {
    closePreview();
    enableFor(Source::Cd);
    // Without a drive there is nothing to read, and the notes stay as they are.
    if (c_.drives->currentIndex() < 0) return;
    for (QWidget* note : c_.pluginNotes) note->setVisible(false);
    WaitCursor wait;
    const CdTrackList list = readCdTrackList(*cd_, c_.drives->currentText().toStdString());
    cdTrackCount_ = list.trackCount;
    {
        // Tracks stay in their order on the disc ("Track 2" before "Track 10"),
        // each remembering its number.
        const QSignalBlocker quiet(c_.files);
        c_.files->clear();
        c_.files->setSortingEnabled(false);
        for (int track = 1; track <= list.trackCount; ++track) {
            auto* item = new QListWidgetItem(qs(cdTrackText(track)));
            item->setData(kTrackRole, track);
            c_.files->addItem(item);
        }
        c_.files->selectIndex(0);
    }
    c_.status->setText(qs(list.status));
}

void TabForm7::noMusicMode() {
    closePreview();
    enableFor(Source::None);
    for (QWidget* note : c_.pluginNotes) note->setVisible(false);
    c_.status->setText(QString::fromLatin1(kNoMusicSelectedText));
}

void TabForm7::refreshFileList() {
    if (directoryList_.count() == 0) return;
    if (directoryList_.selectedIndex() < 0) directoryList_.selectQuietly(0);
    const std::vector<std::string> names = musicFileNames(directoryList_.selectedPath());
    {
        const QSignalBlocker quiet(c_.files);
        c_.files->clear();
        c_.files->setSortingEnabled(true);
        for (const std::string& name : names)
            c_.files->item(c_.files->addString(shownName(name)))->setData(kNameBytesRole, keptName(name));
        c_.files->selectIndex(0);
    }
    c_.status->setText(qs(musicFileCountText(static_cast<int>(names.size()))));
    c_.files->setFocus();
}

QString TabForm7::folderStatus(const QString& path) const {
    return qs(musicFileCountText(musicFileCount(QFile::encodeName(path).toStdString())));
}

void TabForm7::addDirectory() {
    const std::optional<QString> chosen = chooseFolder_(QString::fromLatin1(kAddDirectoryTitle), qs(lastMusicDir_),
                                                        [this](const QString& path) { return folderStatus(path); });
    if (chosen) lastMusicDir_ = chosen->toStdString();
    directoryList_.add([&] {
        if (chosen && !chosen->isEmpty()) directoryList_.insertUsed(*chosen);
        directoryList_.removeDuplicates(false);
    });
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm7::addSubdirectories() {
    if (walking_ || directoryList_.selectedIndex() < 0) return;
    const std::string top = directoryList_.selectedPath();
    SubdirectoryWalk walk;
    {
        WaitCursor wait;
        walking_ = true;
        // The dialog goes on responding while a large tree is walked; closing
        // it ends the walk.
        QtEventPump pump([this] { return !window()->isVisible(); });
        walk = musicSubdirectories(top, [&pump] { return pump.pump(); });
        walking_ = false;
    }
    // Nothing is added when the walk was ended, or when its folder has been
    // taken off the list meanwhile.
    if (walk.ended || directoryList_.indexOf(top) < 0) return;
    directoryList_.add([&] {
        directoryList_.insertAllUsed(walk.directories);
        directoryList_.removeDuplicates(true);
    });
    c_.directories->setFocus();
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm7::addDroppedPaths(const std::vector<std::string>& paths) {
    directoryList_.add([&] { directoryList_.insertDropped(paths); });
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm7::removeSelected() {
    if (!directoryList_.removeSelected()) {
        removeAll();
        return;
    }
    directoryList_.fitColumn();
    refreshFileList();
}

void TabForm7::removeAll() {
    directoryList_.removeAll();
    {
        const QSignalBlocker quiet(c_.files);
        c_.files->clear();
    }
    c_.status->setText(qs(musicFileCountText(0)));
}

void TabForm7::toggleUseFlag(int index) { directoryList_.toggleUseFlag(index); }

void TabForm7::play() {
    const int row = c_.files->currentRow();
    if (row < 0 || row >= c_.files->count()) return;
    if (c_.cdOption->isChecked()) {
        lastCdDrive_ = c_.drives->currentText().toStdString();
        const int track = c_.files->item(row)->data(kTrackRole).toInt();
        WaitCursor wait;
        preview().playCdTrack(lastCdDrive_, track, cdTrackCount_);
    } else {
        const std::string directory = directoryList_.selectedPath();
        if (directory.empty()) return;
        WaitCursor wait;
        const QListWidgetItem* item = c_.files->item(row);
        preview().playFile(musicFilePath(directory, nameOf(item->data(kNameBytesRole), item->text())));
    }
    c_.files->setFocus();
}

void TabForm7::stop() {
    if (preview_) preview_->stop();
}

void TabForm7::setVolumeFromSlider(int position) { setMasterVolumeFromSlider(position); }

void TabForm7::openDownloadPage() {
    setTextColor(c_.downloadLink, kVisitedColor);
    opener_(downloadPageUrl());
}

}  // namespace orvanta
