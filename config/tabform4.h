#pragma once
// The Effects/Overlays page: transition effects switched on as a whole and
// one by one, with their speed; the text message with its position, font and
// colour; the file-name caption with its position, date, full path, font,
// colour and background. Each "on" check box greys the controls it governs.
#include <array>

#include "config/configpage.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;

namespace orvanta {

class WCheckBox;
class WListView;

class TabForm4 : public ConfigPage {
public:
    // Lists the first `transitionCount` effects of the transition table: 35,
    // or 34 when the blend transition is not available.
    explicit TabForm4(int transitionCount = kTransitionCount);

    void loadSettings(const Settings& settings) override;
    void collectSettings(Settings& settings) const override;

    int listedEffects() const { return transitionCount_; }
    // The use flag of effect list item `index` (0 off, 1 on).
    int effectSwitch(int index) const;
    // The handlers of the list and its buttons.
    void toggleEffect(int index);
    void setAllEffects(bool on);

    // The choosers behind the font and colour buttons; the chosen value
    // becomes the member, Cancel leaves it.
    void chooseTextFont();
    void chooseTextColor();
    void chooseCaptionFont();
    void chooseCaptionColor();
    void chooseCaptionBackColor();

    const FontDescription& textFont() const { return textFont_; }
    const FontDescription& captionFont() const { return captionFont_; }

private:
    void enableTransitions(bool on);
    void enableMessage(bool on);
    void enableCaptions(bool on);
    void fillEffectList();
    void chooseFontInto(const char* title, FontDescription& font);
    void chooseColorInto(const char* title, Rgb& colour);

    int transitionCount_;
    struct Controls {
        WCheckBox* effectsOn;
        WListView* effects;
        QSlider* speed;
        QPushButton* selectAll;
        QPushButton* unselectAll;
        WCheckBox* messageOn;
        QLineEdit* message;
        QComboBox* messagePlace;
        QPushButton* fontButton;
        QPushButton* colorButton;
        WCheckBox* captionsOn;
        QComboBox* captionPlace;
        WCheckBox* captionDate;
        WCheckBox* fullPath;
        WCheckBox* transparent;
        QPushButton* capFontButton;
        QPushButton* capColorButton;
        QPushButton* capBackButton;
    };
    Controls bindControls() const;

    const Controls c_;
    FontDescription textFont_;
    FontDescription captionFont_;
    Rgb textColor_{255, 255, 255};
    Rgb captionColor_{255, 255, 255};
    Rgb captionBackColor_{0, 0, 0};
    // One colour chooser serves the three colour buttons: custom colours the
    // user makes in it are offered again by the next of them.
    std::array<QColor, 16> customColors_;
};

}  // namespace orvanta
