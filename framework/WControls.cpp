#include "framework/WControls.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace orvanta {

WCheckBox::WCheckBox(const QString& text, bool autoToggle, QWidget* parent)
    : QCheckBox(text, parent), autoToggle_(autoToggle) {}

void WCheckBox::nextCheckState() {
    if (autoToggle_) QCheckBox::nextCheckState();
}

bool listTextLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0) return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

namespace {

constexpr int kImageRole = Qt::UserRole + 1;

class SortedTreeItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override { return listTextLess(text(0), other.text(0)); }
};

class SortedListItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override { return listTextLess(text(), other.text()); }
};

std::vector<std::string> localPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (!mime || !mime->hasUrls()) return paths;
    // A file name is bytes: the URL's path is percent-decoded as bytes, not as
    // text, so that a name that is not UTF-8 (Latin-1 "caf\xe9") is kept.
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            paths.push_back(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
    return paths;
}

}  // namespace

WListView::WListView(bool sorted, QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    if (sorted) {
        setSortingEnabled(true);
        sortByColumn(0, Qt::AscendingOrder);
    }
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

void WListView::setImageList(std::vector<QIcon> images) {
    images_ = std::move(images);
    for (int i = 0; i < count(); ++i) setImage(i, image(i));
}

QTreeWidgetItem* WListView::makeItem(const QString& text, int image) const {
    auto* item = new SortedTreeItem(QStringList{text});
    item->setData(0, kImageRole, image);
    if (image >= 0 && static_cast<std::size_t>(image) < images_.size())
        item->setIcon(0, images_[static_cast<std::size_t>(image)]);
    return item;
}

int WListView::insertItem(const QString& text, int image) {
    QTreeWidgetItem* item = makeItem(text, image);
    addTopLevelItem(item);
    return indexOfTopLevelItem(item);
}

void WListView::insertItems(const std::vector<std::pair<QString, int>>& items) {
    const bool sorted = isSortingEnabled();
    setSortingEnabled(false);
    QList<QTreeWidgetItem*> made;
    made.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& [text, image] : items) made.push_back(makeItem(text, image));
    addTopLevelItems(made);
    if (sorted) {
        setSortingEnabled(true);
        sortByColumn(0, Qt::AscendingOrder);
    }
}

void WListView::removeItem(int index) { delete takeTopLevelItem(index); }

void WListView::removeAll() { clear(); }

QString WListView::text(int index) const {
    const QTreeWidgetItem* item = topLevelItem(index);
    return item ? item->text(0) : QString();
}

int WListView::image(int index) const {
    const QTreeWidgetItem* item = topLevelItem(index);
    return item ? item->data(0, kImageRole).toInt() : -1;
}

void WListView::setImage(int index, int image) {
    QTreeWidgetItem* item = topLevelItem(index);
    if (!item) return;
    item->setData(0, kImageRole, image);
    item->setIcon(0, image >= 0 && static_cast<std::size_t>(image) < images_.size()
                         ? images_[static_cast<std::size_t>(image)]
                         : QIcon());
}

int WListView::selectedIndex() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.front());
}

void WListView::selectItem(int index) {
    QTreeWidgetItem* item = topLevelItem(index);
    if (!item) return;
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

int WListView::indexOf(const QString& text) const {
    for (int i = 0; i < count(); ++i)
        if (topLevelItem(i)->text(0) == text) return i;
    return -1;
}

void WListView::fitColumn() { resizeColumnToContents(0); }

void WListView::dragEnterEvent(QDragEnterEvent* event) {
    if (!localPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void WListView::dragMoveEvent(QDragMoveEvent* event) {
    if (!localPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void WListView::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = localPaths(event->mimeData());
    if (paths.empty()) return;
    event->acceptProposedAction();
    DropFileEvent.raise(paths);
}

void WListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) DoubleClickEvent.raise(indexOfTopLevelItem(item));
}

WListBox::WListBox(bool sorted, QWidget* parent) : QListWidget(parent), sorted_(sorted) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    if (sorted) setSortingEnabled(true);
}

int WListBox::addString(const QString& text) {
    auto* item = new SortedListItem(text);
    addItem(item);
    return row(item);
}

int WListBox::selectedIndex() const { return currentRow(); }

void WListBox::selectIndex(int index) {
    if (index >= 0 && index < count()) setCurrentRow(index);
}

WPictureFrame::WPictureFrame(QWidget* parent) : QFrame(parent) { setFrameStyle(QFrame::StyledPanel | QFrame::Sunken); }

void WPictureFrame::showCentred(const QPixmap& bitmap) {
    centred_ = bitmap;
    picture_ = QImage();
    framed_ = false;
    update();
}

void WPictureFrame::showFramed(const QImage& picture) {
    picture_ = picture;
    centred_ = QPixmap();
    framed_ = !picture.isNull();
    update();
}

void WPictureFrame::clearPicture() {
    centred_ = QPixmap();
    picture_ = QImage();
    framed_ = false;
    update();
}

QRect WPictureFrame::pictureRect() const {
    return framed_ ? QRect(0, 0, picture_.width() + 2, picture_.height() + 2) : QRect();
}

void WPictureFrame::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (framed_) {
        painter.drawImage(QPoint(1, 1), picture_);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(0, 0, picture_.width() + 1, picture_.height() + 1));
    } else if (!centred_.isNull()) {
        const QRect inside = contentsRect();
        painter.drawPixmap(inside.x() + (inside.width() - centred_.width()) / 2,
                           inside.y() + (inside.height() - centred_.height()) / 2, centred_);
    }
}

WBar::WBar(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::NoFrame);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
}

WLinkLabel::WLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
}

void WLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) ClickEvent.raise();
}

}  // namespace orvanta
