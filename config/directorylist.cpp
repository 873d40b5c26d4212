#include "config/directorylist.h"

#include <QDir>
#include <QFileInfo>
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

QString qs(const std::string& text) { return QString::fromStdString(text); }

bool sameFolderOnDisk(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.toLocal8Bit().constData(), &sa) == 0 && ::stat(b.toLocal8Bit().constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString fullListText(int capacity) {
    return QStringLiteral(
               "This list holds at most %1 directories, so nothing was added. "
               "Remove some directories first.")
        .arg(capacity);
}

}  // namespace

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
    return index < 0 ? std::string() : view_->text(index).toStdString();
}

void DirectoryList::selectQuietly(int index) {
    const QSignalBlocker quiet(view_);
    view_->selectItem(index);
}

void DirectoryList::load(const std::vector<DirectoryEntry>& entries) {
    {
        const QSignalBlocker quiet(view_);
        view_->removeAll();
        std::vector<std::pair<QString, int>> items;
        items.reserve(entries.size());
        for (const DirectoryEntry& entry : entries) items.emplace_back(qs(entry.path), entry.inUse ? 1 : 0);
        view_->insertItems(items);
        view_->selectItem(0);
    }
    fitColumn();
}

std::vector<DirectoryEntry> DirectoryList::entries() const {
    std::vector<DirectoryEntry> entries;
    entries.reserve(static_cast<std::size_t>(view_->count()));
    for (int i = 0; i < view_->count(); ++i) entries.push_back({view_->text(i).toStdString(), view_->image(i) == 1});
    return entries;
}

int DirectoryList::insertUsed(const QString& path) {
    const QSignalBlocker quiet(view_);
    const int index = view_->insertItem(path, 1);
    view_->selectItem(index);
    view_->setFocus();
    return index;
}

void DirectoryList::insertAllUsed(const std::vector<std::string>& paths) {
    std::vector<std::pair<QString, int>> items;
    items.reserve(paths.size());
    for (const std::string& path : paths) items.emplace_back(qs(path), 1);
    const QSignalBlocker quiet(view_);
    view_->insertItems(items);
}

void DirectoryList::insertDropped(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (QFileInfo(qs(path)).isDir()) insertUsed(QDir::cleanPath(qs(path)));
}

void DirectoryList::removeDuplicates(bool ignoreCase) {
    const QSignalBlocker quiet(view_);
    int keep = -1;
    QString kept;
    int selectAfter = -1;
    for (int i = 0; i < view_->count();) {
        const QString text = qs(trimBlanks(view_->text(i).toStdString()));
        const bool duplicate = keep >= 0 &&
                               (text == kept || (ignoreCase && text.compare(kept, Qt::CaseInsensitive) == 0 &&
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
