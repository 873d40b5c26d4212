#include "framework/WForm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSlider>

#include "framework/WControls.h"
#include "framework/WTabControl.h"
#include "settings/fontdescription.h"
#include "show/overlays/fontconversion.h"

namespace orvanta {

namespace {

// Rounds a·b/c to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

DialogUnits DialogUnits::of(const QFont& font) {
    const QFontMetrics metrics(font);
    const int extent = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    units.baseX = std::max(1, (extent / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    return units;
}

int DialogUnits::x(int units) const { return mulDiv(units, baseX, 4); }
int DialogUnits::y(int units) const { return mulDiv(units, baseY, 8); }
QRect DialogUnits::rect(int left, int top, int w, int h) const { return QRect(x(left), y(top), x(w), y(h)); }

QFont formFont(const std::string& description) {
    return toQFont(FontDescription::parse(description.empty() ? std::string("8.MS Sans Serif") : description));
}

LayoutTable WForm::loadTable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("layout table " + path.toStdString() + " not found");
    std::string error;
    std::optional<LayoutTable> table = LayoutTable::parse(file.readAll().toStdString(), &error);
    if (!table) throw std::runtime_error("layout table " + path.toStdString() + ", " + error);
    return *table;
}

WForm::WForm(const LayoutTable& table, QWidget* parent) : QWidget(parent), table_(table), name_(qs(table.form.name)) {
    setObjectName(name_);
    setFont(formFont(table.font));
    units_ = DialogUnits::of(font());
    resize(units_.x(table.form.width), units_.y(table.form.height));
    if (!table.form.texts.empty()) setWindowTitle(qs(table.form.text()));

    QButtonGroup* group = nullptr;
    for (const LayoutControl& row : table_.controls) {
        QWidget* widget = build(row);
        widget->setObjectName(qs(row.name));
        controls_[row.name] = widget;
        if (row.hasFlag("group")) group = nullptr;
        if (auto* radio = dynamic_cast<QRadioButton*>(widget)) {
            if (!group) {
                group = new QButtonGroup(this);
                group->setExclusive(true);
            }
            group->addButton(radio, row.id);
            radioGroups_[row.name] = group;
        }
        if (row.hasFlag("disabled")) widget->setEnabled(false);
        if (row.hasFlag("hidden")) widget->setVisible(false);
    }
    // Group boxes and bars are drawn behind the controls they surround and let
    // the mouse through to them.
    for (const LayoutControl& row : table_.controls) {
        if (row.kind == "groupbox" || row.kind == "bar") {
            controls_[row.name]->lower();
            controls_[row.name]->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }
}

WForm::~WForm() = default;

QWidget* WForm::build(const LayoutControl& row) {
    const QString text = qs(row.text());
    QRect geometry = units_.rect(row.x, row.y, row.width, row.height);
    QWidget* widget = nullptr;
    const std::string& kind = row.kind;
    if (kind == "label") {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        widget = label;
    } else if (kind == "link") {
        widget = new WLinkLabel(text, this);
    } else if (kind == "groupbox") {
        widget = new QGroupBox(text, this);
    } else if (kind == "bar") {
        widget = new WBar(this);
    } else if (kind == "picture") {
        widget = new WPictureFrame(this);
    } else if (kind == "button") {
        auto* button = new QPushButton(text, this);
        if (row.hasFlag("default")) button->setDefault(true);
        widget = button;
    } else if (kind == "checkbox" || kind == "autocheckbox") {
        widget = new WCheckBox(text, kind == "autocheckbox", this);
    } else if (kind == "autoradio") {
        widget = new QRadioButton(text, this);
    } else if (kind == "combo") {
        auto* combo = new QComboBox(this);
        combo->setEditable(row.hasFlag("editable"));
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (const std::string& item : row.texts) combo->addItem(qs(item));
        combo->setCurrentIndex(-1);
        // The table's height is that of the dropped-down list; the closed box
        // is as high as the style makes it.
        const int itemHeight = std::max(1, combo->fontMetrics().height() + 2);
        combo->setMaxVisibleItems(std::max(1, (geometry.height() - combo->sizeHint().height()) / itemHeight));
        geometry.setHeight(combo->sizeHint().height());
        widget = combo;
    } else if (kind == "listview") {
        widget = new WListView(row.hasFlag("sorted"), this);
    } else if (kind == "listbox") {
        auto* list = new WListBox(row.hasFlag("sorted"), this);
        for (const std::string& item : row.texts) list->addString(qs(item));
        widget = list;
    } else if (kind == "edit") {
        if (row.hasFlag("multiline")) {
            auto* edit = new QPlainTextEdit(text, this);
            edit->setReadOnly(row.hasFlag("readonly"));
            edit->setVerticalScrollBarPolicy(row.hasFlag("vscroll") ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            if (row.hasFlag("noborder")) {
                edit->setFrameStyle(QFrame::NoFrame);
                edit->viewport()->setAutoFillBackground(false);
                edit->setAutoFillBackground(false);
            }
            widget = edit;
        } else {
            auto* edit = new QLineEdit(text, this);
            edit->setReadOnly(row.hasFlag("readonly"));
            widget = edit;
        }
    } else if (kind == "slider") {
        auto* slider = new QSlider(Qt::Horizontal, this);
        if (row.hasFlag("ticks")) {
            slider->setTickPosition(QSlider::TicksBelow);
            slider->setTickInterval(1);
        }
        if (row.hasFlag("hand")) slider->setCursor(Qt::PointingHandCursor);
        widget = slider;
    } else if (kind == "tabcontrol") {
        widget = new WTabControl(this);
    } else {
        throw std::runtime_error(name_.toStdString() + ": control " + row.name + " has an unknown kind " + kind);
    }
    if (const std::string font = row.flagValue("font"); !font.empty()) widget->setFont(formFont(font));
    // The table's widths were measured for another font and smaller check
    // marks: a one-line text control grows to show its whole text.
    const bool oneLine = geometry.height() < 2 * widget->fontMetrics().height();
    if (auto* label = qobject_cast<QLabel*>(widget); label && oneLine) label->setWordWrap(false);
    if ((kind == "label" || kind == "link" || kind == "checkbox" || kind == "autocheckbox" || kind == "autoradio") &&
        oneLine && !text.isEmpty())
        geometry.setWidth(std::max(geometry.width(), widget->sizeHint().width()));
    widget->setGeometry(geometry);
    return widget;
}

QWidget* WForm::control(const std::string& name) const {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second;
}

QButtonGroup* WForm::radioGroupOf(const std::string& name) const {
    const auto found = radioGroups_.find(name);
    return found == radioGroups_.end() ? nullptr : found->second;
}

void WForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) ShowEvent.raise();
}

void WForm::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    PaintEvent.raise();
}

}  // namespace orvanta
