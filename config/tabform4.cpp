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
    : ConfigPage(WForm::loadTable(QStringLiteral(":/forms/TabForm4.form"))),
      transitionCount_(std::clamp(transitionCount, kTransitionCount - 1, kTransitionCount)),
      textFont_(FontDescription::parse(kInitialFont)),
      captionFont_(FontDescription::parse(kInitialFont)),
      customColors_(TabForm1::customGreys()) {
    effectsOn_ = get<WCheckBox>("checkbox_1");
    effects_ = get<WListView>("lv_1");
    speed_ = get<QSlider>("slider_1");
    selectAll_ = get<QPushButton>("cb_SelectAll");
    unselectAll_ = get<QPushButton>("cb_UnselectAll");
    messageOn_ = get<WCheckBox>("checkbox_2");
    message_ = get<QLineEdit>("textb_1");
    messagePlace_ = get<QComboBox>("combo_2");
    fontButton_ = get<QPushButton>("FontButton");
    colorButton_ = get<QPushButton>("ColorButton");
    captionsOn_ = get<WCheckBox>("checkbox_8");
    captionPlace_ = get<QComboBox>("combo_4");
    captionDate_ = get<WCheckBox>("checkbox_3");
    fullPath_ = get<WCheckBox>("fullPathChkBox");
    transparent_ = get<WCheckBox>("checkTrans");
    capFontButton_ = get<QPushButton>("capFontButton");
    capColorButton_ = get<QPushButton>("capColorButton");
    capBackButton_ = get<QPushButton>("capBackButton");

    speed_->setRange(0, kMaxDelay);
    speed_->setTickInterval(1);
    speed_->setSingleStep(1);
    speed_->setPageStep(1);
    speed_->setValue(kSliderStart);
    fillEffectList();

    connect(effectsOn_, &QCheckBox::clicked, this, [this] { enableTransitions(effectsOn_->isChecked()); });
    connect(effects_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { toggleEffect(effects_->indexOfTopLevelItem(item)); });
    effects_->DoubleClickEvent.connect([this](int index) { return toggleEffect(index), true; });
    new SpaceToggle(effects_, [this](int index) { toggleEffect(index); });
    connect(selectAll_, &QPushButton::clicked, this, [this] { setAllEffects(true); });
    connect(unselectAll_, &QPushButton::clicked, this, [this] { setAllEffects(false); });
    connect(messageOn_, &QCheckBox::clicked, this, [this] { enableMessage(messageOn_->isChecked()); });
    connect(captionsOn_, &QCheckBox::clicked, this, [this] { enableCaptions(captionsOn_->isChecked()); });
    connect(transparent_, &QCheckBox::clicked, this,
            [this] { capBackButton_->setEnabled(!transparent_->isChecked()); });
    connect(fontButton_, &QPushButton::clicked, this, [this] { chooseTextFont(); });
    connect(colorButton_, &QPushButton::clicked, this, [this] { chooseTextColor(); });
    connect(capFontButton_, &QPushButton::clicked, this, [this] { chooseCaptionFont(); });
    connect(capColorButton_, &QPushButton::clicked, this, [this] { chooseCaptionColor(); });
    connect(capBackButton_, &QPushButton::clicked, this, [this] { chooseCaptionBackColor(); });
}

void TabForm4::fillEffectList() {
    effects_->setAcceptDrops(false);  // nothing can be dropped on the effects
    effects_->viewport()->setAcceptDrops(false);
    effects_->setImageList({QIcon(QPixmap(QStringLiteral(":/icons/dirunused.xpm"))),
                            QIcon(QPixmap(QStringLiteral(":/icons/dirused.xpm")))});
    effects_->setHeaderLabels({QString::fromLatin1(kColumnCaption)});
    const auto table = transitionTable();
    std::vector<std::pair<QString, int>> items;
    for (int i = 0; i < transitionCount_; ++i)
        items.emplace_back(QLatin1Char(' ') + QString::fromLatin1(table[static_cast<std::size_t>(i)].name), 1);
    effects_->insertItems(items);
    effects_->fitColumn();
    effects_->setColumnWidth(0, effects_->columnWidth(0) + kColumnExtra);
    effects_->selectItem(0);  // selected and the current (focused) item
}

int TabForm4::effectSwitch(int index) const { return effects_->image(index); }

void TabForm4::toggleEffect(int index) {
    if (index < 0 || index >= effects_->count()) return;
    effects_->setImage(index, effects_->image(index) == 1 ? 0 : 1);
}

void TabForm4::setAllEffects(bool on) {
    for (int i = 0; i < effects_->count(); ++i) effects_->setImage(i, on ? 1 : 0);
}

void TabForm4::enableTransitions(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{speed_, effects_, selectAll_, unselectAll_})
        control->setEnabled(on);
}

void TabForm4::enableMessage(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{message_, messagePlace_, fontButton_, colorButton_})
        control->setEnabled(on);
}

void TabForm4::enableCaptions(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{captionPlace_, capFontButton_, capColorButton_,
                                                            captionDate_, fullPath_, transparent_})
        control->setEnabled(on);
    capBackButton_->setEnabled(on && !transparent_->isChecked());
}

void TabForm4::loadSettings(const Settings& s) {
    effectsOn_->setChecked(s.Effects);
    speed_->setValue(kMaxDelay - std::clamp(s.Delay, 0, kMaxDelay));
    messageOn_->setChecked(s.Message);
    message_->setText(QString::fromStdString(s.MsgText));
    message_->setCursorPosition(0);
    selectCode(messagePlace_, s.MsgPlace);
    textFont_ = s.TextFont;
    textColor_ = s.TextColor;
    captionsOn_->setChecked(s.Captions);
    selectCode(captionPlace_, s.CaptionPlace);
    captionDate_->setChecked(s.CaptionDate);
    fullPath_->setChecked(s.CaptionFullPath);
    captionFont_ = s.CaptionFont;
    captionColor_ = s.CaptionColor;
    transparent_->setChecked(s.CaptionTrans);
    captionBackColor_ = s.CaptionBackColor;

    enableTransitions(s.Effects);
    enableMessage(s.Message);
    enableCaptions(s.Captions);
    for (int i = 0; i < effects_->count(); ++i)
        effects_->setImage(i, s.transitions[static_cast<std::size_t>(i)] != 0 ? 1 : 0);
}

void TabForm4::collectSettings(Settings& s) const {
    bool anyEffect = false;
    for (int i = 0; i < effects_->count(); ++i) {
        const int on = effects_->image(i) == 1 ? 1 : 0;
        s.transitions[static_cast<std::size_t>(i)] = on;
        anyEffect = anyEffect || on;
    }
    // With every effect off there is nothing to play: the show copies the
    // pictures, and the next opening shows the transitions switched off.
    s.Effects = effectsOn_->isChecked() && anyEffect;
    s.Delay = kMaxDelay - speed_->value();
    s.Message = messageOn_->isChecked();
    s.MsgText = message_->text().toStdString();
    s.MsgPlace = takeCode(messagePlace_, s.MsgPlace);
    s.TextFont = textFont_;
    s.TextColor = textColor_;
    s.Captions = captionsOn_->isChecked();
    s.CaptionPlace = takeCode(captionPlace_, s.CaptionPlace);
    s.CaptionDate = captionDate_->isChecked();
    s.CaptionFullPath = fullPath_->isChecked();
    s.CaptionFont = captionFont_;
    s.CaptionColor = captionColor_;
    s.CaptionTrans = transparent_->isChecked();
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
