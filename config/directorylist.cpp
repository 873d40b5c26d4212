#include "config/directorylist.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QSignalBlocker>
#include <sys/stat.h>

#include "base/WString.h"
#include "framework/WChoosers.h"
#include "framework/WControls.h"
#include "framework/messagebox.h"

namespace orvanta {

namespace {

bool sameFolderOnDisk(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The path without doubled slashes, "." and ".." components and a trailing
// slash. Each byte stands for itself as a Latin-1 character here, so that
// bytes of any encoding come out as they went in ("/" and "." are never part
// of a UTF-8 sequence).
std::string cleanPath(const std::string& path) {
    return QDir::cleanPath(QString::fromLatin1(path.data(), static_cast<qsizetype>(path.size())))
        .toLatin1()
        .toStdString();
}

QString fullListText(int capacity) {
    return QStringLiteral(
               "This list holds at most %1 directories, so nothing was added. "
               "Remove some directories first.")
        .arg(capacity);
}

}  // namespace

QString shownName(const std::string& bytes) { return QString::fromStdString(bytes); }

QVariant keptName(const std::string& bytes) { return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())); }

std::string nameOf(const QVariant& kept, const QString& text) {
    return kept.isValid() ? kept.toByteArray().toStdString() : text.toStdString();
}

FolderChooser folderChooserFor(QWidget* owner) {
    return [owner](const QString& title, const QString& start, const std::function<QString(const QString&)>& status) {
        return chooseFolder(owner, title, start, status);
    };
}

DirectoryList::DirectoryList(WListView* view, const char* columnCaption, int capacity)
    : view_(view), capacity_(capacity) {
    view_->setImageList({QIcon(QPixmap(QStringLiteral(":/icons/dirunused.xpm"))),
                         QIcon(QPixmap(QStringLiteral(":/icons/dirused.xpm")))});
    view_->setHeaderLabels({QString::fromLatin1(columnCaption)});
    view_->setColumnWidth(0, view_->fontMetrics().horizontalAdvance(QString::fromLatin1(columnCaption)) + 14);
}

bool DirectoryList::add(const std::function<void()>& addition) {
    const std::vector<DirectoryEntry> before = entries();
    const int selected = view_->selectedIndex();
    addition();
    if (view_->count() <= capacity_) return true;
    load(before);
    if (selected >= 0) {
        selectQuietly(selected);
    } else {
        const QSignalBlocker quiet(view_);
        view_->setCurrentItem(nullptr);
        view_->clearSelection();
    }
    const QString title = QStringLiteral("Orvanta");
    if (notice_) notice_(title, fullListText(capacity_));
    else showMessageBox(view_->window()->windowHandle(), title, fullListText(capacity_));
    return false;
}

int DirectoryList::count() const { return view_->count(); }

int DirectoryList::selectedIndex() const { return view_->selectedIndex(); }

std::string DirectoryList::selectedPath() const {
    const int index = view_->selectedIndex();
    return index < 0 ? std::string() : path(index);
}

std::string DirectoryList::path(int index) const {
    const QTreeWidgetItem* item = view_->topLevelItem(index);
    return item ? nameOf(item->data(0, kNameBytesRole), item->text(0)) : std::string();
}

int DirectoryList::indexOf(const std::string& wanted) const {
    for (int i = 0; i < view_->count(); ++i)
        if (path(i) == wanted) return i;
    return -1;
}

void DirectoryList::insertAll(const std::vector<DirectoryEntry>& entries) {
    std::vector<std::pair<QString, int>> items;
    items.reserve(entries.size());
    for (const DirectoryEntry& entry : entries) items.emplace_back(shownName(entry.path), entry.inUse ? 1 : 0);
    // Unsorted while the bytes are put beside the new items, which are then
    // the last ones, in the order given.
    const QSignalBlocker quiet(view_);
    const bool sorted = view_->isSortingEnabled();
    view_->setSortingEnabled(false);
    const int first = view_->count();
    view_->insertItems(items);
    for (std::size_t i = 0; i < entries.size(); ++i)
        view_->topLevelItem(first + static_cast<int>(i))->setData(0, kNameBytesRole, keptName(entries[i].path));
    if (sorted) {
        view_->setSortingEnabled(true);
        view_->sortByColumn(0, Qt::AscendingOrder);
    }
}

void DirectoryList::selectQuietly(int index) {
    const QSignalBlocker quiet(view_);
    view_->selectItem(index);
}

void DirectoryList::load(const std::vector<DirectoryEntry>& entries) {
    {
        const QSignalBlocker quiet(view_);
        view_->removeAll();
        insertAll(entries);
        view_->selectItem(0);
    }
    fitColumn();
}

std::vector<DirectoryEntry> DirectoryList::entries() const {
    std::vector<DirectoryEntry> entries;
    entries.reserve(static_cast<std::size_t>(view_->count()));
    for (int i = 0; i < view_->count(); ++i) entries.push_back({path(i), view_->image(i) == 1});
    return entries;
}

int DirectoryList::insertUsed(const QString& path) { return insertUsed(QFile::encodeName(path).toStdString()); }

int DirectoryList::insertUsed(const std::string& path) {
    const QSignalBlocker quiet(view_);
    const int index = view_->insertItem(shownName(path), 1);
    view_->topLevelItem(index)->setData(0, kNameBytesRole, keptName(path));
    view_->selectItem(index);
    view_->setFocus();
    return index;
}

void DirectoryList::insertAllUsed(const std::vector<std::string>& paths) {
    std::vector<DirectoryEntry> entries;
    entries.reserve(paths.size());
    for (const std::string& path : paths) entries.push_back({path, true});
    insertAll(entries);
}

void DirectoryList::insertDropped(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (isDirectory(path)) insertUsed(cleanPath(path));
}

void DirectoryList::removeDuplicates(bool ignoreCase) {
    const QSignalBlocker quiet(view_);
    int keep = -1;
    std::string kept;
    int selectAfter = -1;
    for (int i = 0; i < view_->count();) {
        const std::string text = trimBlanks(path(i));
        const bool duplicate = keep >= 0 &&
                               (text == kept ||
                                (ignoreCase && shownName(text).compare(shownName(kept), Qt::CaseInsensitive) == 0 &&
                                 sameFolderOnDisk(text, kept)));
        if (!duplicate) {
            keep = i;
            kept = text;
            ++i;
            continue;
        }
        if (view_->selectedIndex() == i) selectAfter = keep;
        view_->removeItem(i);
    }
    if (selectAfter >= 0) view_->selectItem(selectAfter);
}

bool DirectoryList::removeSelected() {
    const int selected = view_->selectedIndex();
    const QSignalBlocker quiet(view_);
    if (selected >= 0) view_->removeItem(selected);
    if (view_->count() == 0) return false;
    view_->selectItem(selected <= 0 ? 0 : selected - 1);
    view_->setFocus();
    return true;
}

void DirectoryList::removeAll() {
    {
        const QSignalBlocker quiet(view_);
        view_->removeAll();
    }
    fitColumn();
}

void DirectoryList::toggleUseFlag(int index) {
    if (index < 0 || index >= view_->count()) return;
    view_->setImage(index, view_->image(index) == 1 ? 0 : 1);
}

void DirectoryList::setAllUseFlags(bool used) {
    for (int i = 0; i < view_->count(); ++i) view_->setImage(i, used ? 1 : 0);
}

void DirectoryList::fitColumn() { view_->fitColumn(); }

}  // namespace orvanta
