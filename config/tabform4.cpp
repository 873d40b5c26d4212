#include "config/tabform4.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <functional>

#include "config/tabform1.h"
#include "framework/WChoosers.h"
#include "framework/WControlBinder.h"
#include "framework/WControls.h"
#include "show/overlays/fontconversion.h"
#include "show/transitions/transitiontable.h"

namespace orvanta {

namespace {

constexpr const char* kTextFontTitle = "Select Text Font";
constexpr const char* kTextColorTitle = "Select Text Color";
constexpr const char* kCaptionFontTitle = "Select Caption Font";
constexpr const char* kCaptionColorTitle = "Select Caption Color";
constexpr const char* kCaptionBackTitle = "Caption Background Color";
constexpr const char* kColumnCaption = "Transition Effects";
constexpr const char* kInitialFont = "14.Times New Roman.Bold";
constexpr int kSliderStart = 10;
constexpr int kColumnExtra = 50;  // the column is this much wider than its longest name

QColor toQColor(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

Rgb toRgb(const QColor& colour) {
    return Rgb{static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
               static_cast<std::uint8_t>(colour.blue())};
}

// Whether the chooser handed back the font it was opened on, as the system
// resolved it: a face that is not installed ("Times New Roman") comes back
// as its substitute, and pressing OK on it must not rename the stored face.
bool sameResolvedFont(const QFont& chosen, const QFont& initial) {
    const QFontInfo resolved(initial);
    return faceWithoutFoundry(chosen.family().toStdString()) == faceWithoutFoundry(resolved.family().toStdString()) &&
           chosen.pointSize() == resolved.pointSize() && chosen.weight() == resolved.weight() &&
           chosen.italic() == resolved.italic() && chosen.underline() == initial.underline() &&
           chosen.strikeOut() == initial.strikeOut();
}

// Selects a stored position code in its list; a code the list does not have
// leaves no entry selected (and the stored code is then kept on OK).
void selectCode(QComboBox* combo, int code) { combo->setCurrentIndex(code >= 0 && code < combo->count() ? code : -1); }

int takeCode(const QComboBox* combo, int stored) { return combo->currentIndex() >= 0 ? combo->currentIndex() : stored; }

// The effect list toggles the current item with the space bar too, so that
// the effects can be switched without a mouse.
class SpaceToggle : public QObject {
public:
    SpaceToggle(WListView* list, std::function<void(int)> toggle)
        : QObject(list), list_(list), toggle_(std::move(toggle)) {
        list->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier) return false;
        if (QTreeWidgetItem* item = list_->currentItem()) toggle_(list_->indexOfTopLevelItem(item));
        return true;
    }

private:
    WListView* list_;
    std::function<void(int)> toggle_;
};

}  // namespace

TabForm4::TabForm4(int transitionCount)
    : ConfigPage(PageId::EffectsOverlays),
      transitionCount_(std::clamp(transitionCount, kTransitionCount - 1, kTransitionCount)),
      c_(bindControls()),
      textFont_(FontDescription::parse(kInitialFont)),
      captionFont_(FontDescription::parse(kInitialFont)),
      customColors_(TabForm1::customGreys()) {
    c_.speed->setRange(0, kMaxDelay);
    c_.speed->setTickInterval(1);
    c_.speed->setSingleStep(1);
    c_.speed->setPageStep(1);
    c_.speed->setValue(kSliderStart);
    fillEffectList();

    connect(c_.effectsOn, &QCheckBox::clicked, this, [this] { enableTransitions(c_.effectsOn->isChecked()); });
    connect(c_.effects, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { toggleEffect(c_.effects->indexOfTopLevelItem(item)); });
    c_.effects->DoubleClickEvent.connect([this](int index) { return toggleEffect(index), true; });
    new SpaceToggle(c_.effects, [this](int index) { toggleEffect(index); });
    connect(c_.selectAll, &QPushButton::clicked, this, [this] { setAllEffects(true); });
    connect(c_.unselectAll, &QPushButton::clicked, this, [this] { setAllEffects(false); });
    connect(c_.messageOn, &QCheckBox::clicked, this, [this] { enableMessage(c_.messageOn->isChecked()); });
    connect(c_.captionsOn, &QCheckBox::clicked, this, [this] { enableCaptions(c_.captionsOn->isChecked()); });
    connect(c_.transparent, &QCheckBox::clicked, this,
            [this] { c_.capBackButton->setEnabled(!c_.transparent->isChecked()); });
    connect(c_.fontButton, &QPushButton::clicked, this, [this] { chooseTextFont(); });
    connect(c_.colorButton, &QPushButton::clicked, this, [this] { chooseTextColor(); });
    connect(c_.capFontButton, &QPushButton::clicked, this, [this] { chooseCaptionFont(); });
    connect(c_.capColorButton, &QPushButton::clicked, this, [this] { chooseCaptionColor(); });
    connect(c_.capBackButton, &QPushButton::clicked, this, [this] { chooseCaptionBackColor(); });
}

TabForm4::Controls TabForm4::bindControls() const {
    Controls c{};
    WControlBinder(*this)
        .bind(c.effectsOn, "checkbox_1")
        .bind(c.effects, "lv_1")
        .bind(c.speed, "slider_1")
        .bind(c.selectAll, "cb_SelectAll")
        .bind(c.unselectAll, "cb_UnselectAll")
        .bind(c.messageOn, "checkbox_2")
        .bind(c.message, "textb_1")
        .bind(c.messagePlace, "combo_2")
        .bind(c.fontButton, "FontButton")
        .bind(c.colorButton, "ColorButton")
        .bind(c.captionsOn, "checkbox_8")
        .bind(c.captionPlace, "combo_4")
        .bind(c.captionDate, "checkbox_3")
        .bind(c.fullPath, "fullPathChkBox")
        .bind(c.transparent, "checkTrans")
        .bind(c.capFontButton, "capFontButton")
        .bind(c.capColorButton, "capColorButton")
        .bind(c.capBackButton, "capBackButton")
        .check();
    return c;
}

void TabForm4::fillEffectList() {
    c_.effects->setAcceptDrops(false);  // nothing can be dropped on the effects
    c_.effects->viewport()->setAcceptDrops(false);
    c_.effects->setImageList({QIcon(QPixmap(QStringLiteral(":/icons/dirunused.xpm"))),
                              QIcon(QPixmap(QStringLiteral(":/icons/dirused.xpm")))});
    c_.effects->setHeaderLabels({QString::fromLatin1(kColumnCaption)});
    const auto table = transitionTable();
    std::vector<std::pair<QString, int>> items;
    for (int i = 0; i < transitionCount_; ++i)
        items.emplace_back(QLatin1Char(' ') + QString::fromLatin1(table[static_cast<std::size_t>(i)].name), 1);
    c_.effects->insertItems(items);
    c_.effects->fitColumn();
    c_.effects->setColumnWidth(0, c_.effects->columnWidth(0) + kColumnExtra);
    c_.effects->selectItem(0);  // selected and the current (focused) item
}

int TabForm4::effectSwitch(int index) const { return c_.effects->image(index); }

void TabForm4::toggleEffect(int index) {
    if (index < 0 || index >= c_.effects->count()) return;
    c_.effects->setImage(index, c_.effects->image(index) == 1 ? 0 : 1);
}

void TabForm4::setAllEffects(bool on) {
    for (int i = 0; i < c_.effects->count(); ++i) c_.effects->setImage(i, on ? 1 : 0);
}

void TabForm4::enableTransitions(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{c_.speed, c_.effects, c_.selectAll, c_.unselectAll})
        control->setEnabled(on);
}

void TabForm4::enableMessage(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{c_.message, c_.messagePlace, c_.fontButton, c_.colorButton})
        control->setEnabled(on);
}

void TabForm4::enableCaptions(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{c_.captionPlace, c_.capFontButton, c_.capColorButton,
                                                            c_.captionDate, c_.fullPath, c_.transparent})
        control->setEnabled(on);
    c_.capBackButton->setEnabled(on && !c_.transparent->isChecked());
}

void TabForm4::loadSettings(const Settings& s) {
    c_.effectsOn->setChecked(s.Effects);
    c_.speed->setValue(kMaxDelay - std::clamp(s.Delay, 0, kMaxDelay));
    c_.messageOn->setChecked(s.Message);
    c_.message->setText(QString::fromStdString(s.MsgText));
    c_.message->setCursorPosition(0);
    selectCode(c_.messagePlace, s.MsgPlace);
    textFont_ = s.TextFont;
    textColor_ = s.TextColor;
    c_.captionsOn->setChecked(s.Captions);
    selectCode(c_.captionPlace, s.CaptionPlace);
    c_.captionDate->setChecked(s.CaptionDate);
    c_.fullPath->setChecked(s.CaptionFullPath);
    captionFont_ = s.CaptionFont;
    captionColor_ = s.CaptionColor;
    c_.transparent->setChecked(s.CaptionTrans);
    captionBackColor_ = s.CaptionBackColor;

    enableTransitions(s.Effects);
    enableMessage(s.Message);
    enableCaptions(s.Captions);
    for (int i = 0; i < c_.effects->count(); ++i)
        c_.effects->setImage(i, s.transitions[static_cast<std::size_t>(i)] != 0 ? 1 : 0);
}

void TabForm4::collectSettings(Settings& s) const {
    bool anyEffect = false;
    for (int i = 0; i < c_.effects->count(); ++i) {
        const int on = c_.effects->image(i) == 1 ? 1 : 0;
        s.transitions[static_cast<std::size_t>(i)] = on;
        anyEffect = anyEffect || on;
    }
    // With every effect off there is nothing to play: the show copies the
    // pictures, and the next opening shows the transitions switched off.
    s.Effects = c_.effectsOn->isChecked() && anyEffect;
    s.Delay = kMaxDelay - c_.speed->value();
    s.Message = c_.messageOn->isChecked();
    s.MsgText = c_.message->text().toStdString();
    s.MsgPlace = takeCode(c_.messagePlace, s.MsgPlace);
    s.TextFont = textFont_;
    s.TextColor = textColor_;
    s.Captions = c_.captionsOn->isChecked();
    s.CaptionPlace = takeCode(c_.captionPlace, s.CaptionPlace);
    s.CaptionDate = c_.captionDate->isChecked();
    s.CaptionFullPath = c_.fullPath->isChecked();
    s.CaptionFont = captionFont_;
    s.CaptionColor = captionColor_;
    s.CaptionTrans = c_.transparent->isChecked();
    s.CaptionBackColor = captionBackColor_;
}

void TabForm4::chooseFontInto(const char* title, FontDescription& font) {
    const QFont initial = toQFont(font);
    const std::optional<QFont> chosen = chooseFont(this, QString::fromLatin1(title), initial);
    if (chosen && !sameResolvedFont(*chosen, initial)) font = fromQFont(*chosen, font);
}

void TabForm4::chooseColorInto(const char* title, Rgb& colour) {
    const std::optional<QColor> chosen = chooseColor(this, QString::fromLatin1(title), toQColor(colour), customColors_);
    for (int i = 0; i < 16; ++i) customColors_[static_cast<std::size_t>(i)] = QColorDialog::customColor(i);
    if (chosen) colour = toRgb(*chosen);
}

void TabForm4::chooseTextFont() { chooseFontInto(kTextFontTitle, textFont_); }
void TabForm4::chooseTextColor() { chooseColorInto(kTextColorTitle, textColor_); }
void TabForm4::chooseCaptionFont() { chooseFontInto(kCaptionFontTitle, captionFont_); }
void TabForm4::chooseCaptionColor() { chooseColorInto(kCaptionColorTitle, captionColor_); }
void TabForm4::chooseCaptionBackColor() { chooseColorInto(kCaptionBackTitle, captionBackColor_); }

}  // namespace orvanta
