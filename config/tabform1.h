#pragma once
// The Picture Settings page: display time, stretching and placement, the
// order of the pictures, splash screen, wallpaper of the last picture,
// mouse movements and the background colour. The controls enable and
// disable one another so that only meaningful combinations can be chosen;
// every change of the stretching options posts its stretch-mode code to the
// dialog, which passes it on to the Picture Selection page.
#include "config/configpage.h"

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
    // The stretch-mode code of the options as they are checked now.
    int currentStretchCode() const;
    // BackButton: the colour chooser; the chosen colour becomes the background.
    void chooseBackColor();

    // The sixteen custom colours of the chooser: greys from 255 down in steps of 16.
    static std::array<QColor, 16> customGreys();

private:
    void enablePlacement(bool enable);
    void postShrinkOrNone();

    QComboBox* duration_;
    QComboBox* proportCombo_;
    QRadioButton* full_;
    QRadioButton* proportional_;
    QRadioButton* shrink_;
    QRadioButton* none_;
    QRadioButton* tile_;
    QRadioButton* randomLocation_;
    QRadioButton* centre_;
    QRadioButton* random_;
    QRadioButton* alpha_;
    QRadioButton* date_;
    WCheckBox* newestDate_;
    WCheckBox* remember_;
    WCheckBox* splash_;
    WCheckBox* wallpaper_;
    WCheckBox* ignoreMouse_;
    QPushButton* backButton_;
    Rgb backColor_{0, 0, 0};
};

}  // namespace orvanta
