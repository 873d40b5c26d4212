#pragma once
// The Music Selection page: whether the show plays the music files of a list
// of directories, the tracks of an audio CD, or nothing. For the chosen
// source it lists the files of the selected directory or the tracks of the
// disc, and Play and Stop try them through the show's player; the slider
// sets the system's master volume at once (it is not a setting). The
// directory list works like the picture directory list.
#include <QUrl>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/configpage.h"
#include "config/directorylist.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace orvanta {

class CdDrive;
class MusicPreview;
class WLinkLabel;
class WListBox;
class WListView;

class TabForm7 : public ConfigPage {
public:
    // Opens an address with the desktop's default program; QDesktopServices::openUrl when empty.
    using Opener = std::function<bool(const QUrl&)>;
    // The CD drives to list, as device paths.
    using DriveLister = std::function<std::vector<std::string>()>;

    explicit TabForm7(Opener opener = {});
    ~TabForm7() override;

    void loadSettings(const Settings& settings) override;
    void collectSettings(Settings& settings) const override;

    // What tests replace: the folder chooser, the drive list (read by the
    // next loadSettings) and the CD reader.
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }
    void setDriveLister(DriveLister lister) { listDrives_ = std::move(lister); }
    void setCdDrive(std::unique_ptr<CdDrive> drive);
    // Replaces the message box that says the directory list is full.
    void setNotice(std::function<void(const QString& title, const QString& text)> notice) {
        directoryList_.setNotice(std::move(notice));
    }

    // The three music options: each stops the preview, empties the list of
    // files or tracks and enables what the option uses.
    void directoryMode();
    void cdMode();
    void noMusicMode();

    // The handlers of the directory list and its buttons.
    void addDirectory();
    void addSubdirectories();
    void addDroppedPaths(const std::vector<std::string>& paths);
    void removeSelected();
    void removeAll();
    void toggleUseFlag(int index);
    // The music files of the selected directory; the file list gets the focus.
    void refreshFileList();

    // Play: the selected track in CD mode, otherwise the selected file. Stop.
    void play();
    void stop();
    // A preview plays (from a successful Play until Stop or a mode change).
    bool previewPlaying() const;
    int cdTrackCount() const { return cdTrackCount_; }

    // The volume slider moved: the master volume becomes twice its position.
    void setVolumeFromSlider(int position);

    // label_7: takes the visited colour and opens the plugins' download page.
    void openDownloadPage();
    static QUrl downloadPageUrl();

private:
    enum class Source { None, Directories, Cd };
    void enableFor(Source source);
    void closePreview();
    MusicPreview& preview();
    QString folderStatus(const QString& path) const;
    void fitDriveBox();

    Opener opener_;
    FolderChooser chooseFolder_;
    DriveLister listDrives_;
    std::unique_ptr<CdDrive> cd_;
    std::unique_ptr<MusicPreview> preview_;  // made on the first Play

    struct Controls {
        WListView* directories;
        WListBox* files;
        QLabel* status;
        QPushButton* play;
        QPushButton* stop;
        QRadioButton* randomTracks;
        QRadioButton* sequentialTracks;
        QComboBox* drives;
        QRadioButton* musicOption;
        QRadioButton* cdOption;
        QRadioButton* noMusicOption;
        WLinkLabel* downloadLink;
        QSlider* volume;
        QWidget* previewGroup;
        QPushButton* addDirectory;
        QPushButton* addSubdirectories;
        QPushButton* removeSelected;
        QPushButton* removeAll;
        // What each source enables: the directory list and its buttons; the
        // track options and the drive; the list of files or tracks, Play,
        // Stop and the volume.
        std::array<QWidget*, 5> directoryControls;
        std::array<QWidget*, 3> cdControls;
        std::array<QWidget*, 5> playControls;
        std::array<QWidget*, 4> pluginNotes;  // shown for the music directories only
    };
    Controls bindControls() const;

    const Controls c_;
    DirectoryList directoryList_;

    std::string lastMusicDir_;
    int cdTrackCount_ = 0;
    std::string lastCdDrive_;  // the drive of the track played last
    int lastFileIndex_ = -1;
    bool walking_ = false;  // adding subdirectories
};

}  // namespace orvanta
