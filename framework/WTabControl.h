#pragma once
// A tab control with several rows of tabs: every tab item has the same width,
// as many items as fit share a row, and the row holding the selected tab is
// the one next to the display area. Each tab owns a page widget, moved and
// sized to the display area; only the selected tab's page is visible.
#include <QString>
#include <QWidget>
#include <vector>

#include "framework/WEvent.h"

namespace orvanta {

class WTabControl : public QWidget {
public:
    explicit WTabControl(QWidget* parent);

    // The page becomes a child of the control. Returns the tab's index.
    int insertTab(const QString& label, QWidget* page);
    int count() const { return static_cast<int>(tabs_.size()); }
    QWidget* page(int index) const;
    QString label(int index) const;

    // -1 when no tab is selected.
    int currentIndex() const { return current_; }
    // Selects a tab (-1: none) and shows its page; raises SelectEvent on a change.
    void setCurrentIndex(int index);

    // The width of every tab item in pixels; the height stays the style's.
    void setItemWidth(int pixels);
    int rowCount() const;
    int rowHeight() const;
    QRect tabRect(int index) const;
    // The area the pages fill.
    QRect displayRect() const;
    // The control's height that gives a display area of the given height.
    int heightForDisplayHeight(int displayHeight) const;

    WEvent<int> SelectEvent;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Tab {
        QString label;
        QWidget* page;
    };
    int perRow() const;
    int rowOf(int index) const;
    // Row r drawn at visual line v, counted from the top; the selected row is last.
    int visualLine(int row) const;
    int framePadding() const;
    void placePages();

    std::vector<Tab> tabs_;
    int current_ = -1;
    int itemWidth_ = 120;
};

}  // namespace orvanta
