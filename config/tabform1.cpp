#include "config/tabform1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "config/stretchmode.h"
#include "framework/WChoosers.h"
#include "framework/WControls.h"
#include "settings/encodings.h"
#include "settings/settingstable.h"

namespace orvanta {

namespace {

constexpr const char* kBackColorTitle = "Select Background Color";
constexpr int kPropLimits = 6;

}  // namespace

TabForm1::TabForm1() : ConfigPage(WForm::loadTable(QStringLiteral(":/forms/TabForm1.form"))) {
    duration_ = get<QComboBox>("combo_1");
    proportCombo_ = get<QComboBox>("ProportCombo");
    full_ = get<QRadioButton>("FullOption");
    proportional_ = get<QRadioButton>("ProportOption");
    shrink_ = get<QRadioButton>("ShrinkOption");
    none_ = get<QRadioButton>("NoneOption");
    tile_ = get<QRadioButton>("TileOption");
    randomLocation_ = get<QRadioButton>("RanLocOption");
    centre_ = get<QRadioButton>("CenterOption");
    random_ = get<QRadioButton>("RandomOption");
    alpha_ = get<QRadioButton>("AlphaOption");
    date_ = get<QRadioButton>("DateOption");
    newestDate_ = get<WCheckBox>("NewestDateCheck");
    remember_ = get<WCheckBox>("RememberCheck");
    splash_ = get<WCheckBox>("SplashCheck");
    wallpaper_ = get<WCheckBox>("WallpaperCheck");
    ignoreMouse_ = get<WCheckBox>("IgnoreMouseCheck");
    backButton_ = get<QPushButton>("BackButton");

    connect(full_, &QRadioButton::clicked, this, [this] {
        enablePlacement(false);
        proportCombo_->setEnabled(false);
        postUserEvent(kStretchFull);
    });
    connect(proportional_, &QRadioButton::clicked, this, [this] {
        enablePlacement(false);
        proportCombo_->setEnabled(true);
        postUserEvent(kStretchProportional + std::max(0, proportCombo_->currentIndex()));
    });
    connect(shrink_, &QRadioButton::clicked, this, [this] {
        enablePlacement(true);
        proportCombo_->setEnabled(false);
        postUserEvent(tile_->isChecked() ? kStretchShrinkTiled : kStretchShrink);
    });
    connect(none_, &QRadioButton::clicked, this, [this] {
        enablePlacement(true);
        proportCombo_->setEnabled(false);
        postUserEvent(tile_->isChecked() ? kStretchNoneTiled : kStretchNone);
    });
    connect(tile_, &QRadioButton::clicked, this,
            [this] { postUserEvent(shrink_->isChecked() ? kStretchShrinkTiled : kStretchNoneTiled); });
    // Leaving the tile option untiles the wallpaper of the Picture Selection page too.
    connect(randomLocation_, &QRadioButton::clicked, this, [this] { postShrinkOrNone(); });
    connect(centre_, &QRadioButton::clicked, this, [this] { postShrinkOrNone(); });
    connect(proportCombo_, &QComboBox::activated, this,
            [this](int index) { postUserEvent(kStretchProportional + std::max(0, index)); });
    connect(random_, &QRadioButton::clicked, this, [this] {
        remember_->setEnabled(false);
        newestDate_->setEnabled(false);
    });
    connect(alpha_, &QRadioButton::clicked, this, [this] {
        remember_->setEnabled(true);
        newestDate_->setEnabled(false);
    });
    connect(date_, &QRadioButton::clicked, this, [this] {
        remember_->setEnabled(true);
        newestDate_->setEnabled(true);
    });
    connect(backButton_, &QPushButton::clicked, this, [this] { chooseBackColor(); });
}

void TabForm1::enablePlacement(bool enable) {
    tile_->setEnabled(enable);
    randomLocation_->setEnabled(enable);
    centre_->setEnabled(enable);
}

void TabForm1::postShrinkOrNone() { postUserEvent(shrink_->isChecked() ? kStretchShrink : kStretchNone); }

void TabForm1::loadSettings(const Settings& s) {
    duration_->setEditText(QString::number(s.Duration));
    // Radios of one group are exclusive here; when a damaged key sets several
    // flags, the one the show obeys stays checked.
    none_->setChecked(true);
    if (s.Proportional) proportional_->setChecked(true);
    if (s.Shrink) shrink_->setChecked(true);
    if (s.Stretch) full_->setChecked(true);
    centre_->setChecked(true);
    if (s.RanLocDisp && !s.Tiled) randomLocation_->setChecked(true);
    if (s.Tiled) tile_->setChecked(true);
    alpha_->setChecked(true);  // also when no order is set
    if (s.DateSort) date_->setChecked(true);
    if (s.Randomize) random_->setChecked(true);
    newestDate_->setChecked(s.DateRevSort);
    remember_->setChecked(s.AlphaMemory);
    splash_->setChecked(s.Splash);
    wallpaper_->setChecked(s.WallpaperLast);
    ignoreMouse_->setChecked(s.IgnoreMouse);
    backColor_ = s.BackColor;

    // An index outside the list means no limit, as "Screen" does.
    proportCombo_->setCurrentIndex(s.PropLimit >= 0 && s.PropLimit < kPropLimits ? s.PropLimit : 0);
    proportCombo_->setEnabled(proportional_->isChecked());
    enablePlacement(!full_->isChecked() && !proportional_->isChecked());
    remember_->setEnabled(!random_->isChecked());
    newestDate_->setEnabled(date_->isChecked());
    postUserEvent(currentStretchCode());
}

void TabForm1::collectSettings(Settings& s) const {
    s.Duration = duration();
    s.Stretch = full_->isChecked();
    s.Proportional = proportional_->isChecked();
    s.PropLimit = std::max(0, proportCombo_->currentIndex());
    s.Shrink = shrink_->isChecked();
    s.Tiled = tile_->isChecked();
    s.RanLocDisp = randomLocation_->isChecked();
    s.Randomize = random_->isChecked();
    s.AlphaSort = alpha_->isChecked();
    s.DateSort = date_->isChecked();
    s.DateRevSort = newestDate_->isChecked();
    s.AlphaMemory = remember_->isChecked();
    s.Splash = splash_->isChecked();
    s.WallpaperLast = wallpaper_->isChecked();
    s.IgnoreMouse = ignoreMouse_->isChecked();
    s.BackColor = backColor_;
}

// As the show reads a stored duration: a negative one is a timed show of one second.
int TabForm1::duration() const {
    return settingInRange(*findSetting("Duration"), readInteger(duration_->currentText().toStdString()));
}

int TabForm1::currentStretchCode() const {
    return stretchModeCode(full_->isChecked(), proportional_->isChecked(), std::max(0, proportCombo_->currentIndex()),
                           shrink_->isChecked(), tile_->isChecked());
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
