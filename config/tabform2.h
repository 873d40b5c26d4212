#pragma once
// The Picture Selection page: the list of picture directories with their use
// flags, the pictures of the selected directory with a preview, the
// Wallpaper button, the favourites directory and Alt+F, which saves a
// shortcut to the selected picture in it. The stretch mode that the Picture
// Settings page posts arrives as a page message and sizes the wallpaper.
#include <QSize>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/configpage.h"
#include "config/directorylist.h"
#include "config/stretchmode.h"
#include "config/wallpaperhooks.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvanta {

class WCheckBox;
class WListBox;
class WListView;
class WPictureFrame;

class TabForm2 : public ConfigPage {
public:
    using FolderChooser = orvanta::FolderChooser;

    explicit TabForm2(WallpaperHooks wallpaper = {});

    void loadSettings(const Settings& settings) override;
    void collectSettings(Settings& settings) const override;

    // What tests replace: the folder chooser and the shutter sound.
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }
    void setSnapSound(std::function<void()> play) { playSnap_ = std::move(play); }
    // The screen the wallpaper is sized for, in device pixels.
    void setScreenSize(QSize size) { screenSize_ = size; }

    // The handlers of the page's buttons and lists.
    void addDirectory();
    void addSubdirectories();
    void addDroppedPaths(const std::vector<std::string>& paths);
    void removeSelected();
    void removeAll();
    void setAllUseFlags(bool used);
    void toggleUseFlag(int index);
    // The pictures of the selected folder; the file list gets the focus unless told otherwise.
    void refreshFileList(bool focusFiles = true);
    void setPreview(bool on);
    void loadPreview();
    void makeWallpaper();
    void chooseFavourites();
    void saveFavourite();
    void removeDuplicates();

    StretchMode stretchMode() const { return stretchMode_; }
    int stretchCode() const { return stretchModeCode(stretchMode_); }
    QSize previewBox() const { return previewBox_; }
    // The size of the preview of the last picture drawn (without its border).
    QSize previewSize() const;

    // The preview box at a screen's pixels per inch: 160 x 120 at 96, 200 x 150
    // at 120, otherwise 160 x 120 scaled by dpi / 96 and cut to whole pixels.
    static QSize previewBoxFor(int dpi);
    // A picture fitted into the box, keeping its proportions: small pictures
    // are enlarged, large ones reduced.
    static QSize fitToBox(QSize picture, QSize box);

private:
    std::string selectedDirectory() const;
    std::string selectedFilePath() const;
    QImage decodeSelected(QSize scaleAgainst, bool fast);
    QString folderStatus(const QString& path) const;
    void showPlaceholder();
    void selectFileQuietly(int index);

    WallpaperHooks wallpaper_;
    FolderChooser chooseFolder_;
    std::function<void()> playSnap_;

    struct Controls {
        WListView* directories;
        WListBox* files;
        QLabel* countLabel;
        WCheckBox* preview;
        QPushButton* wallButton;
        WPictureFrame* picture;
        WCheckBox* autoSubdirectories;
        WCheckBox* allowDuplicates;
        QLineEdit* favouritesEdit;
        QWidget* directoriesGroup;
        QWidget* previewGroup;
        QPushButton* addDirectory;
        QPushButton* addSubdirectories;
        QPushButton* removeSelected;
        QPushButton* removeAll;
        QPushButton* selectAll;
        QPushButton* deselectAll;
        QPushButton* chooseFavourites;
        QPushButton* saveFavourite;
        QPushButton* removeDuplicates;
    };
    Controls bindControls() const;

    const Controls c_;
    DirectoryList directoryList_;

    std::string lastAddedDir_;
    std::string favouritesDir_;
    StretchMode stretchMode_ = StretchMode::ProportionalScreen;
    int lastFileIndex_ = -1;
    bool duplicatesAllowed_ = false;  // set by the hidden check box; the adding operations clear it
    QSize previewBox_;
    QSize screenSize_;
};

}  // namespace orvanta
