#pragma once
// The Picture Settings page: display time, stretching and placement, the
// order of the pictures, splash screen, wallpaper of the last picture,
// mouse movements and the background colour. The controls enable and
// disable one another so that only meaningful combinations can be chosen;
// loading and every change of the stretching options post the stretch mode
// to the dialog, which passes it on to the Picture Selection page.
#include "config/configpage.h"
#include "config/stretchmode.h"

class QComboBox;
class QPushButton;
class QRadioButton;

namespace orvanta {

class WCheckBox;

class TabForm1 : public ConfigPage {
public:
    TabForm1();

    void loadSettings(const Settings& settings) override;
    void collectSettings(Settings& settings) const override;

    // The display duration as typed or chosen, read like a stored integer.
    int duration() const;
    Rgb backColor() const { return backColor_; }
    // The stretch mode of the options as they are checked now, and its code.
    StretchMode currentStretchMode() const;
    int currentStretchCode() const { return stretchModeCode(currentStretchMode()); }
    // BackButton: the colour chooser; the chosen colour becomes the background.
    void chooseBackColor();

    // The sixteen custom colours of the chooser: greys from 255 down in steps of 16.
    static std::array<QColor, 16> customGreys();

private:
    struct Controls {
        QComboBox* duration;
        QComboBox* proportCombo;
        QRadioButton* full;
        QRadioButton* proportional;
        QRadioButton* shrink;
        QRadioButton* none;
        QRadioButton* tile;
        QRadioButton* randomLocation;
        QRadioButton* centre;
        QRadioButton* random;
        QRadioButton* alpha;
        QRadioButton* date;
        WCheckBox* newestDate;
        WCheckBox* remember;
        WCheckBox* splash;
        WCheckBox* wallpaper;
        WCheckBox* ignoreMouse;
        QPushButton* backButton;
    };
    Controls bindControls() const;
    void enablePlacement(bool enable);
    void postStretchMode();

    const Controls c_;
    Rgb backColor_{0, 0, 0};
};

}  // namespace orvanta
