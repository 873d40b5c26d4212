#pragma once
// The controls of forms built from layout tables, where a plain Qt widget
// does not behave as the forms expect: check boxes that toggle themselves
// only when "auto", list views of items with a two-state image, sorted list
// boxes, picture frames, black bars and link labels.
#include <QCheckBox>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "framework/WEvent.h"

namespace orvanta {

// A check box; a click toggles it only when it is an auto check box.
class WCheckBox : public QCheckBox {
public:
    WCheckBox(const QString& text, bool autoToggle, QWidget* parent);
    bool autoToggle() const { return autoToggle_; }

protected:
    void nextCheckState() override;

private:
    bool autoToggle_;
};

// Orders item texts as the sorted lists do: letters compared without regard
// to case, texts equal that way ordered by their exact text, so that exact
// duplicates always end up next to each other.
bool listTextLess(const QString& a, const QString& b);

// A report-style list view with one column and no header: each item is a text
// and an image index into a small image list. Sorted ascending when asked.
class WListView : public QTreeWidget {
public:
    WListView(bool sorted, QWidget* parent);

    void setImageList(std::vector<QIcon> images);
    // Inserts an item and returns its index in the (sorted) list.
    int insertItem(const QString& text, int image);
    // Inserts many items at once (sorted once at the end).
    void insertItems(const std::vector<std::pair<QString, int>>& items);
    void removeItem(int index);
    void removeAll();
    int count() const { return topLevelItemCount(); }
    QString text(int index) const;
    int image(int index) const;
    void setImage(int index, int image);
    // The selected item's index, or -1.
    int selectedIndex() const;
    // Selects the item and makes it the current (focused) item.
    void selectItem(int index);
    int indexOf(const QString& text) const;
    // Sizes the column to its content.
    void fitColumn();

    // Raised with the local paths of files and folders dropped on the list.
    WEvent<const std::vector<std::string>&> DropFileEvent;
    // Raised with the index of the item under a left-button double click.
    WEvent<int> DoubleClickEvent;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QTreeWidgetItem* makeItem(const QString& text, int image) const;
    std::vector<QIcon> images_;
};

// A list box of strings, sorted as listTextLess when asked.
class WListBox : public QListWidget {
public:
    WListBox(bool sorted, QWidget* parent);
    // Adds a string and returns its index.
    int addString(const QString& text);
    int selectedIndex() const;
    void selectIndex(int index);

private:
    bool sorted_;
};

// A sunken picture frame. It shows either a bitmap centred in the frame, or a
// picture at its top-left corner inside a one-pixel black border, or nothing.
class WPictureFrame : public QFrame {
public:
    explicit WPictureFrame(QWidget* parent);
    void showCentred(const QPixmap& bitmap);
    // The picture is drawn at (1,1), its border from (0,0) to its size + (1,1).
    void showFramed(const QImage& picture);
    void clearPicture();
    // The rectangle the picture (with its border) covers, empty when none.
    QRect pictureRect() const;
    bool showingFramed() const { return framed_; }
    const QImage& framedPicture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap centred_;
    QImage picture_;
    bool framed_ = false;
};

// A thin bar filled black.
class WBar : public QFrame {
public:
    explicit WBar(QWidget* parent);
};

// A label that acts as a link: hand cursor, raises ClickEvent on a left click.
class WLinkLabel : public QLabel {
public:
    WLinkLabel(const QString& text, QWidget* parent);
    WEvent<> ClickEvent;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace orvanta
