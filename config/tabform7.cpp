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
    : ConfigPage(WForm::loadTable(QStringLiteral(":/forms/TabForm7.form"))),
      opener_(std::move(opener)),
      cd_(std::make_unique<CdioDrive>()),
      directories_(get<WListView>("lv_1")),
      directoryList_(directories_, kColumnCaption, kMaxMusicDirs) {
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    chooseFolder_ = folderChooserFor(this);
    files_ = get<WListBox>("lb_2");
    status_ = get<QLabel>("label_1");
    play_ = get<QPushButton>("cb_Play");
    stop_ = get<QPushButton>("cb_Stop");
    randomTracks_ = get<QRadioButton>("optb_Random");
    sequentialTracks_ = get<QRadioButton>("optb_Seq");
    drives_ = get<QComboBox>("combo_CD");
    musicOption_ = get<QRadioButton>("optb_Music");
    cdOption_ = get<QRadioButton>("optb_CD");
    noMusicOption_ = get<QRadioButton>("optb_NoMusic");
    downloadLink_ = get<WLinkLabel>("label_7");
    volume_ = get<QSlider>("slider_1");
    drives_->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    // The status line has room for the longest of its texts, inside its group.
    const QWidget* previewGroup = get<QWidget>("groupb_2");
    int statusWidth = status_->width();
    for (const std::string& text : {musicFileCountText(9999), cdTrackCountText(99), std::string(kNoAudioCdText)})
        statusWidth = std::max(statusWidth, status_->fontMetrics().horizontalAdvance(qs(text)) + 2);
    status_->resize(std::min(statusWidth, previewGroup->geometry().right() - units().x(4) - status_->x()),
                    status_->height());
    status_->setText(qs(musicFileCountText(0)));

    setTextColor(downloadLink_, kLinkColor);
    QFont underlined = downloadLink_->font();
    underlined.setUnderline(true);
    downloadLink_->setFont(underlined);
    downloadLink_->setToolTip(downloadPageUrl().toString());

    // The slider stands for half the master volume; it starts in the middle
    // and then shows the volume as it is, when that can be read.
    volume_->setRange(0, kVolumeSliderMax);
    volume_->setTickInterval(kVolumeTick);
    volume_->setPageStep(kVolumePage);
    {
        const QSignalBlocker quiet(volume_);
        volume_->setValue(kVolumeStart);
        if (const std::optional<int> position = masterVolumeSliderPosition()) volume_->setValue(*position);
    }

    connect(directories_, &QTreeWidget::itemClicked, this, [this] { refreshFileList(); });
    connect(directories_, &QTreeWidget::itemSelectionChanged, this, [this] {
        // Moving through the folders with the keyboard lists their files too.
        if (directories_->selectedIndex() >= 0 && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
            refreshFileList();
    });
    directories_->DoubleClickEvent.connect([this](int index) { return toggleUseFlag(index), true; });
    directories_->DropFileEvent.connect(
        [this](const std::vector<std::string>& paths) { return addDroppedPaths(paths), true; });
    connect(files_, &QListWidget::currentRowChanged, this, [this](int row) {
        lastFileIndex_ = row;
        if (row >= 0 && previewPlaying()) play();
    });
    connect(get<QPushButton>("Add_Dir"), &QPushButton::clicked, this, [this] { addDirectory(); });
    connect(get<QPushButton>("Add_Subs"), &QPushButton::clicked, this, [this] { addSubdirectories(); });
    connect(get<QPushButton>("Rem_Sel"), &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(get<QPushButton>("Rem_All"), &QPushButton::clicked, this, [this] { removeAll(); });
    connect(play_, &QPushButton::clicked, this, [this] { play(); });
    connect(stop_, &QPushButton::clicked, this, [this] { stop(); });
    connect(drives_, &QComboBox::activated, this, [this] { cdMode(); });
    connect(musicOption_, &QRadioButton::clicked, this, [this] { directoryMode(); });
    connect(cdOption_, &QRadioButton::clicked, this, [this] { cdMode(); });
    connect(noMusicOption_, &QRadioButton::clicked, this, [this] { noMusicMode(); });
    downloadLink_->ClickEvent.connect([this] { return openDownloadPage(), true; });
    connect(volume_, &QSlider::valueChanged, this, [this](int position) { setVolumeFromSlider(position); });
}

TabForm7::~TabForm7() = default;

void TabForm7::setCdDrive(std::unique_ptr<CdDrive> drive) { cd_ = std::move(drive); }

QUrl TabForm7::downloadPageUrl() { return QUrl(QString::fromLatin1(kDownloadPage)); }

void TabForm7::loadSettings(const Settings& s) {
    {
        const QSignalBlocker quiet(drives_);
        drives_->clear();
        for (const std::string& drive : listDrives_ ? listDrives_() : opticalDrives()) drives_->addItem(qs(drive));
        if (drives_->count() > 0) drives_->setCurrentIndex(0);
        // The first drive whose text begins with the stored one.
        const QString stored = qs(s.CDDrvStr);
        for (int i = 0; i < drives_->count(); ++i) {
            if (drives_->itemText(i).startsWith(stored)) {
                drives_->setCurrentIndex(i);
                break;
            }
        }
    }
    fitDriveBox();
    (s.CDRandom ? randomTracks_ : sequentialTracks_)->setChecked(true);
    directoryList_.load(s.musicDirs);
    lastMusicDir_ = s.LastMusicDir;
    // The stored option is checked and acted on; a value the show does not
    // know plays no music there, and is shown as "No Music" here.
    switch (s.MusicOption) {
    case 1:
        musicOption_->setChecked(true);
        directoryMode();
        break;
    case 2:
        cdOption_->setChecked(true);
        cdMode();
        break;
    default:
        noMusicOption_->setChecked(true);
        noMusicMode();
        break;
    }
}

void TabForm7::collectSettings(Settings& s) const {
    s.MusicOption = musicOption_->isChecked() ? 1 : cdOption_->isChecked() ? 2 : 0;
    s.musicDirs = directoryList_.entries();
    s.NumMusicDirs = static_cast<int>(s.musicDirs.size());
    s.CDDrvStr = drives_->currentText().toStdString();
    s.CDRandom = randomTracks_->isChecked();
    s.LastMusicDir = lastMusicDir_;
}

void TabForm7::fitDriveBox() {
    // The drive box shows the whole device path, without reaching the track options.
    const QRect table = units().rect(55, 191, 36, 0);
    const int room = randomTracks_->x() - units().x(4) - drives_->x();
    drives_->resize(std::min(room, std::max(table.width(), drives_->sizeHint().width())), drives_->height());
}

void TabForm7::enableFor(Source source) {
    const bool directories = source == Source::Directories;
    const bool cd = source == Source::Cd;
    for (const char* name : {"lv_1", "Add_Dir", "Add_Subs", "Rem_Sel", "Rem_All"})
        control(name)->setEnabled(directories);
    for (const char* name : {"optb_Random", "optb_Seq", "combo_CD"}) control(name)->setEnabled(cd);
    for (const char* name : {"lb_2", "cb_Play", "cb_Stop", "slider_1", "label_9"})
        control(name)->setEnabled(directories || cd);
}

void TabForm7::closePreview() {
    if (preview_) preview_->close();
    const QSignalBlocker quiet(files_);
    files_->clear();
}

MusicPreview& TabForm7::preview() {
    if (!preview_) preview_ = std::make_unique<MusicPreview>();
    return *preview_;
}

bool TabForm7::previewPlaying() const { return preview_ && preview_->playing(); }

void TabForm7::directoryMode() {
    closePreview();
    enableFor(Source::Directories);
    for (const char* name : {"label_4", "label_5", "label_6", "label_7"}) control(name)->setVisible(true);
    refreshFileList();
}

void TabForm7::cdMode() {
    closePreview();
    enableFor(Source::Cd);
    // Without a drive there is nothing to read, and the notes stay as they are.
    if (drives_->currentIndex() < 0) return;
    for (const char* name : {"label_4", "label_5", "label_6", "label_7"}) control(name)->setVisible(false);
    WaitCursor wait;
    const CdTrackList list = readCdTrackList(*cd_, drives_->currentText().toStdString());
    cdTrackCount_ = list.trackCount;
    {
        // Tracks stay in their order on the disc ("Track 2" before "Track 10"),
        // each remembering its number.
        const QSignalBlocker quiet(files_);
        files_->clear();
        files_->setSortingEnabled(false);
        for (int track = 1; track <= list.trackCount; ++track) {
            auto* item = new QListWidgetItem(qs(cdTrackText(track)));
            item->setData(kTrackRole, track);
            files_->addItem(item);
        }
        files_->selectIndex(0);
    }
    status_->setText(qs(list.status));
}

void TabForm7::noMusicMode() {
    closePreview();
    enableFor(Source::None);
    for (const char* name : {"label_4", "label_5", "label_6", "label_7"}) control(name)->setVisible(false);
    status_->setText(QString::fromLatin1(kNoMusicSelectedText));
}

void TabForm7::refreshFileList() {
    if (directoryList_.count() == 0) return;
    if (directoryList_.selectedIndex() < 0) directoryList_.selectQuietly(0);
    const std::vector<std::string> names = musicFileNames(directoryList_.selectedPath());
    {
        const QSignalBlocker quiet(files_);
        files_->clear();
        files_->setSortingEnabled(true);
        for (const std::string& name : names)
            files_->item(files_->addString(shownName(name)))->setData(kNameBytesRole, keptName(name));
        files_->selectIndex(0);
    }
    status_->setText(qs(musicFileCountText(static_cast<int>(names.size()))));
    files_->setFocus();
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
    directories_->setFocus();
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
        const QSignalBlocker quiet(files_);
        files_->clear();
    }
    status_->setText(qs(musicFileCountText(0)));
}

void TabForm7::toggleUseFlag(int index) { directoryList_.toggleUseFlag(index); }

void TabForm7::play() {
    const int row = files_->currentRow();
    if (row < 0 || row >= files_->count()) return;
    if (cdOption_->isChecked()) {
        lastCdDrive_ = drives_->currentText().toStdString();
        const int track = files_->item(row)->data(kTrackRole).toInt();
        WaitCursor wait;
        preview().playCdTrack(lastCdDrive_, track, cdTrackCount_);
    } else {
        const std::string directory = directoryList_.selectedPath();
        if (directory.empty()) return;
        WaitCursor wait;
        const QListWidgetItem* item = files_->item(row);
        preview().playFile(musicFilePath(directory, nameOf(item->data(kNameBytesRole), item->text())));
    }
    files_->setFocus();
}

void TabForm7::stop() {
    if (preview_) preview_->stop();
}

void TabForm7::setVolumeFromSlider(int position) { setMasterVolumeFromSlider(position); }

void TabForm7::openDownloadPage() {
    setTextColor(downloadLink_, kVisitedColor);
    opener_(downloadPageUrl());
}

}  // namespace orvanta
