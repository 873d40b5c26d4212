#pragma once
// A page of the settings dialog: a child form built from its layout table,
// which shows the dialog's settings record when loaded and writes its
// controls back into the record on OK.
#include "framework/WForm.h"
#include "settings/settings.h"

namespace orvanta {

class ConfigPage : public WForm {
public:
    using WForm::WForm;
    // Sets the controls from the record.
    virtual void loadSettings(const Settings&) {}
    // Writes the controls' values into the record.
    virtual void collectSettings(Settings&) const {}

    // The room the page needs: its table's size, or more when controls grew
    // to show their text (hidden controls do not count).
    QSize requiredSize() const {
        const LayoutControl& form = table().form;
        const QRect used = childrenRect();
        return QSize(units().x(form.width), units().y(form.height))
            .expandedTo(QSize(used.right() + 3, used.bottom() + 3));
    }
};

}  // namespace orvanta
