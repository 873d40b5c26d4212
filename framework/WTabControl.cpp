#include "framework/WTabControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTab>
#include <QTabBar>

namespace orvanta {

WTabControl::WTabControl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

int WTabControl::insertTab(const QString& label, QWidget* page) {
    page->setParent(this);
    page->setVisible(false);
    tabs_.push_back({label, page});
    placePages();
    update();
    return count() - 1;
}

QWidget* WTabControl::page(int index) const {
    return index >= 0 && index < count() ? tabs_[static_cast<std::size_t>(index)].page : nullptr;
}

QString WTabControl::label(int index) const {
    return index >= 0 && index < count() ? tabs_[static_cast<std::size_t>(index)].label : QString();
}

void WTabControl::setCurrentIndex(int index) {
    if (index < -1 || index >= count() || index == current_) return;
    if (QWidget* old = page(current_)) old->setVisible(false);
    current_ = index;
    if (QWidget* now = page(current_)) {
        now->setGeometry(displayRect());
        now->setVisible(true);
        now->raise();
    }
    update();
    SelectEvent.raise(current_);
}

void WTabControl::setItemWidth(int pixels) {
    itemWidth_ = std::max(1, pixels);
    placePages();
    update();
}

int WTabControl::perRow() const {
    const int fit = std::max(1, width() / itemWidth_);
    if (count() <= fit) return std::max(1, count());
    // Several rows: the tabs are shared out evenly between them.
    const int rows = (count() + fit - 1) / fit;
    return (count() + rows - 1) / rows;
}

int WTabControl::rowCount() const { return count() == 0 ? 1 : (count() + perRow() - 1) / perRow(); }

int WTabControl::rowOf(int index) const { return index / perRow(); }

int WTabControl::visualLine(int row) const {
    const int rows = rowCount();
    const int selectedRow = current_ >= 0 ? rowOf(current_) : 0;
    return rows - 1 - ((row - selectedRow + rows) % rows);
}

int WTabControl::rowHeight() const {
    // As a tab bar sizes its tabs: the text height plus the style's spacing.
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.text = QStringLiteral("Xg");
    const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    const QSize contents(itemWidth_, fontMetrics().height() + vspace);
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, contents, this).height();
}

int WTabControl::framePadding() const { return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + 1; }

QRect WTabControl::tabRect(int index) const {
    if (index < 0 || index >= count()) return {};
    const int h = rowHeight();
    return QRect((index % perRow()) * itemWidth_, visualLine(rowOf(index)) * h, itemWidth_, h);
}

QRect WTabControl::displayRect() const {
    const int top = rowCount() * rowHeight();
    const int pad = framePadding();
    return QRect(0, top, width(), height() - top).adjusted(pad, pad, -pad, -pad);
}

int WTabControl::heightForDisplayHeight(int displayHeight) const {
    return rowCount() * rowHeight() + displayHeight + 2 * framePadding();
}

void WTabControl::placePages() {
    const QRect area = displayRect();
    for (const Tab& tab : tabs_) tab.page->setGeometry(area);
}

void WTabControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int top = rowCount() * rowHeight();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);

    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, top - overlap, width(), height() - top + overlap);
    frame.shape = QTabBar::RoundedNorth;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    frame.tabBarRect = QRect(0, top - rowHeight(), width(), rowHeight());
    frame.selectedTabRect = tabRect(current_);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);

    // Rows from the top down; within a row the selected tab last, so it overlaps its neighbours.
    std::vector<int> order;
    for (int line = 0; line < rowCount(); ++line)
        for (int i = 0; i < count(); ++i)
            if (visualLine(rowOf(i)) == line && i != current_) order.push_back(i);
    if (current_ >= 0) order.push_back(current_);
    // The style fills a selected tab down into the pane; the rows end where the pane begins.
    painter.setClipRect(QRect(0, 0, width(), top));
    for (int i : order) {
        QStyleOptionTab option;
        option.initFrom(this);
        option.shape = QTabBar::RoundedNorth;
        option.rect = tabRect(i);
        option.text = tabs_[static_cast<std::size_t>(i)].label;
        option.row = visualLine(rowOf(i));
        const int column = i % perRow();
        const int inRow = std::min(perRow(), count() - rowOf(i) * perRow());
        option.position = inRow == 1            ? QStyleOptionTab::OnlyOneTab
                          : column == 0         ? QStyleOptionTab::Beginning
                          : column == inRow - 1 ? QStyleOptionTab::End
                                                : QStyleOptionTab::Middle;
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        if (i == current_) {
            option.state |= QStyle::State_Selected;
            if (hasFocus()) option.state |= QStyle::State_HasFocus;
        }
        if (underMouse() && option.rect.contains(mapFromGlobal(QCursor::pos())))
            option.state |= QStyle::State_MouseOver;
        style()->drawControl(QStyle::CE_TabBarTab, &option, &painter, this);
        if (i == current_ && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = option.rect.adjusted(4, 3, -4, -3);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
}

void WTabControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).contains(event->position().toPoint())) {
            setFocus(Qt::MouseFocusReason);
            setCurrentIndex(i);
            placePages();
            return;
        }
    }
}

void WTabControl::keyPressEvent(QKeyEvent* event) {
    if (count() == 0) return QWidget::keyPressEvent(event);
    int next = current_;
    switch (event->key()) {
    case Qt::Key_Left: next = std::max(0, current_ - 1); break;
    case Qt::Key_Right: next = std::min(count() - 1, current_ + 1); break;
    case Qt::Key_Home: next = 0; break;
    case Qt::Key_End: next = count() - 1; break;
    default: return QWidget::keyPressEvent(event);
    }
    setCurrentIndex(next);
}

void WTabControl::resizeEvent(QResizeEvent*) { placePages(); }

void WTabControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) placePages();
    QWidget::changeEvent(event);
}

}  // namespace orvanta
