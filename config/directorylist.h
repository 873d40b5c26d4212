#pragma once
// The directory list of the Picture Selection and Music Selection pages: a
// sorted list view of full paths, each with a use flag shown as its image
// (0 not used, 1 used), and what both pages do with it: load and collect the
// stored entries, insert chosen, found and dropped folders as used, remove
// duplicates, remove the selected entry, toggle the flags. What the pages
// list for the selected folder is their own.
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

class QWidget;

namespace orvanta {

class WListView;

// File names are bytes. The lists of both pages show a name as its UTF-8
// text (a byte that is not part of a sequence shown as U+FFFD, so a Latin-1
// "caf\xE9" reads "caf\uFFFD") and keep the bytes beside that text, under
// this item role, for everything that is done with the name.
inline constexpr int kNameBytesRole = Qt::UserRole + 2;
QString shownName(const std::string& bytes);
QVariant keptName(const std::string& bytes);
// The name an item stands for: the bytes kept beside its text, or else the
// text in UTF-8.
std::string nameOf(const QVariant& kept, const QString& text);

// Opens a folder chooser (title, preselected folder, status line for the
// folder under the cursor); the chosen path ("" for a folder without one),
// or nullopt on Cancel.
using FolderChooser = std::function<std::optional<QString>(const QString& title, const QString& start,
                                                           const std::function<QString(const QString&)>& status)>;
// The real chooser, modal to owner.
FolderChooser folderChooserFor(QWidget* owner);

class DirectoryList {
public:
    // Gives the view its two use-flag icons and its column caption. The list
    // keeps at most `capacity` entries: what the show reads back of it.
    DirectoryList(WListView* view, const char* columnCaption, int capacity);

    WListView* view() const { return view_; }
    int count() const;
    // The selected entry's path, "" when none is selected.
    std::string selectedPath() const;
    // The entry's path, and the index of the entry with this path (or -1).
    std::string path(int index) const;
    int indexOf(const std::string& path) const;
    int selectedIndex() const;
    // Selects the entry without telling the page.
    void selectQuietly(int index);

    // The stored entries, the first one selected; the page is not told.
    void load(const std::vector<DirectoryEntry>& entries);
    std::vector<DirectoryEntry> entries() const;

    // Runs an addition (insertions, then removing duplicates). When the list
    // would then hold more than its capacity, the entries and selection it
    // had before are put back, the user is told that nothing was added, and
    // the result is false: a longer list could be saved, but only its first
    // entries would ever be read again.
    bool add(const std::function<void()>& addition);
    // Replaces the message box that tells of a refused addition (for tests).
    void setNotice(std::function<void(const QString& title, const QString& text)> notice) {
        notice_ = std::move(notice);
    }

    // Inserts the path as used, selected and focused; returns its index.
    int insertUsed(const std::string& path);
    // The same for a path a folder chooser gave.
    int insertUsed(const QString& path);
    // Inserts every path as used, leaving the selection as it is.
    void insertAllUsed(const std::vector<std::string>& paths);
    // Inserts the dropped paths that are directories, as used, selected and
    // focused; files are ignored, and a folder dropped twice is there twice.
    void insertDropped(const std::vector<std::string>& paths);
    // Deletes each entry equal to the one kept before it, comparing texts
    // trimmed of blanks: exactly, or, with ignoreCase, also when they differ
    // only in letter case and name the same folder on disk (two paths that
    // differ in case are different folders here unless the file system
    // says otherwise). A deleted selection moves to the entry kept.
    void removeDuplicates(bool ignoreCase);
    // Deletes the selected entry and selects and focuses the one before it
    // (the first when the first was deleted). False when the list is empty
    // afterwards.
    bool removeSelected();
    void removeAll();
    void toggleUseFlag(int index);
    void setAllUseFlags(bool used);
    // Sizes the column to its content.
    void fitColumn();

private:
    // Inserts the entries at once, sorted once at the end.
    void insertAll(const std::vector<DirectoryEntry>& entries);

    WListView* view_;
    int capacity_;
    std::function<void(const QString&, const QString&)> notice_;
};

}  // namespace orvanta
