#include "config/tabform1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "framework/WChoosers.h"
#include "framework/WControlBinder.h"
#include "framework/WControls.h"
#include "settings/encodings.h"
#include "settings/settingstable.h"

namespace orvanta {

namespace {

constexpr const char* kBackColorTitle = "Select Background Color";
constexpr int kPropLimits = 6;

}  // namespace

TabForm1::TabForm1() : ConfigPage(PageId::PictureSettings), c_(bindControls()) {
    // Every stretching option, the limit and the placement report the mode
    // as it is now; greyed options cannot be clicked, so the placement only
    // ever changes the tiling of shrink only and none.
    const auto stretching = [this](bool placement, bool limit) {
        enablePlacement(placement);
        c_.proportCombo->setEnabled(limit);
        postStretchMode();
    };
    connect(c_.full, &QRadioButton::clicked, this, [stretching] { stretching(false, false); });
    connect(c_.proportional, &QRadioButton::clicked, this, [stretching] { stretching(false, true); });
    connect(c_.shrink, &QRadioButton::clicked, this, [stretching] { stretching(true, false); });
    connect(c_.none, &QRadioButton::clicked, this, [stretching] { stretching(true, false); });
    // Leaving the tile option untiles the wallpaper of the Picture Selection page too.
    for (QRadioButton* placement : {c_.tile, c_.randomLocation, c_.centre})
        connect(placement, &QRadioButton::clicked, this, [this] { postStretchMode(); });
    connect(c_.proportCombo, &QComboBox::activated, this, [this] { postStretchMode(); });
    connect(c_.random, &QRadioButton::clicked, this, [this] {
        c_.remember->setEnabled(false);
        c_.newestDate->setEnabled(false);
    });
    connect(c_.alpha, &QRadioButton::clicked, this, [this] {
        c_.remember->setEnabled(true);
        c_.newestDate->setEnabled(false);
    });
    connect(c_.date, &QRadioButton::clicked, this, [this] {
        c_.remember->setEnabled(true);
        c_.newestDate->setEnabled(true);
    });
    connect(c_.backButton, &QPushButton::clicked, this, [this] { chooseBackColor(); });
}

TabForm1::Controls TabForm1::bindControls() const {
    Controls c{};
    WControlBinder(*this)
        .bind(c.duration, "combo_1")
        .bind(c.proportCombo, "ProportCombo")
        .bind(c.full, "FullOption")
        .bind(c.proportional, "ProportOption")
        .bind(c.shrink, "ShrinkOption")
        .bind(c.none, "NoneOption")
        .bind(c.tile, "TileOption")
        .bind(c.randomLocation, "RanLocOption")
        .bind(c.centre, "CenterOption")
        .bind(c.random, "RandomOption")
        .bind(c.alpha, "AlphaOption")
        .bind(c.date, "DateOption")
        .bind(c.newestDate, "NewestDateCheck")
        .bind(c.remember, "RememberCheck")
        .bind(c.splash, "SplashCheck")
        .bind(c.wallpaper, "WallpaperCheck")
        .bind(c.ignoreMouse, "IgnoreMouseCheck")
        .bind(c.backButton, "BackButton")
        .check();
    return c;
}

void TabForm1::enablePlacement(bool enable) {
    c_.tile->setEnabled(enable);
    c_.randomLocation->setEnabled(enable);
    c_.centre->setEnabled(enable);
}

void TabForm1::postStretchMode() { postMessage(stretchModeChanged(currentStretchMode())); }

void TabForm1::loadSettings(const Settings& s) {
    c_.duration->setEditText(QString::number(s.Duration));
    // Radios of one group are exclusive here; when a damaged key sets several
    // flags, the one the show obeys stays checked.
    c_.none->setChecked(true);
    if (s.Proportional) c_.proportional->setChecked(true);
    if (s.Shrink) c_.shrink->setChecked(true);
    if (s.Stretch) c_.full->setChecked(true);
    c_.centre->setChecked(true);
    if (s.RanLocDisp && !s.Tiled) c_.randomLocation->setChecked(true);
    if (s.Tiled) c_.tile->setChecked(true);
    c_.alpha->setChecked(true);  // also when no order is set
    if (s.DateSort) c_.date->setChecked(true);
    if (s.Randomize) c_.random->setChecked(true);
    c_.newestDate->setChecked(s.DateRevSort);
    c_.remember->setChecked(s.AlphaMemory);
    c_.splash->setChecked(s.Splash);
    c_.wallpaper->setChecked(s.WallpaperLast);
    c_.ignoreMouse->setChecked(s.IgnoreMouse);
    backColor_ = s.BackColor;

    // An index outside the list means no limit, as "Screen" does.
    c_.proportCombo->setCurrentIndex(s.PropLimit >= 0 && s.PropLimit < kPropLimits ? s.PropLimit : 0);
    c_.proportCombo->setEnabled(c_.proportional->isChecked());
    enablePlacement(!c_.full->isChecked() && !c_.proportional->isChecked());
    c_.remember->setEnabled(!c_.random->isChecked());
    c_.newestDate->setEnabled(c_.date->isChecked());
    postStretchMode();
}

void TabForm1::collectSettings(Settings& s) const {
    s.Duration = duration();
    s.Stretch = c_.full->isChecked();
    s.Proportional = c_.proportional->isChecked();
    s.PropLimit = std::max(0, c_.proportCombo->currentIndex());
    s.Shrink = c_.shrink->isChecked();
    s.Tiled = c_.tile->isChecked();
    s.RanLocDisp = c_.randomLocation->isChecked();
    s.Randomize = c_.random->isChecked();
    s.AlphaSort = c_.alpha->isChecked();
    s.DateSort = c_.date->isChecked();
    s.DateRevSort = c_.newestDate->isChecked();
    s.AlphaMemory = c_.remember->isChecked();
    s.Splash = c_.splash->isChecked();
    s.WallpaperLast = c_.wallpaper->isChecked();
    s.IgnoreMouse = c_.ignoreMouse->isChecked();
    s.BackColor = backColor_;
}

// As the show reads a stored duration: a negative one is a timed show of one second.
int TabForm1::duration() const {
    return settingInRange(*findSetting("Duration"), readInteger(c_.duration->currentText().toStdString()));
}

StretchMode TabForm1::currentStretchMode() const {
    return stretchModeOf(c_.full->isChecked(), c_.proportional->isChecked(), c_.proportCombo->currentIndex(),
                         c_.shrink->isChecked(), c_.tile->isChecked());
}

std::array<QColor, 16> TabForm1::customGreys() {
    std::array<QColor, 16> greys;
    for (int i = 0; i < 16; ++i) greys[static_cast<std::size_t>(i)] = QColor(255 - 16 * i, 255 - 16 * i, 255 - 16 * i);
    return greys;
}

void TabForm1::chooseBackColor() {
    const QColor initial(backColor_.red, backColor_.green, backColor_.blue);
    if (const std::optional<QColor> chosen = chooseColor(this, QString::fromLatin1(kBackColorTitle), initial,
                                                         customGreys()))
        backColor_ = Rgb{static_cast<std::uint8_t>(chosen->red()), static_cast<std::uint8_t>(chosen->green()),
                         static_cast<std::uint8_t>(chosen->blue())};
}

}  // namespace orvanta
