#pragma once
// A page of the settings dialog: a child form built from the layout table of
// its row in the page table, which shows the dialog's settings record when
// loaded and writes its controls back into the record on OK. Pages tell the
// dialog and one another what changed by posted page messages.
#include "config/configpages.h"
#include "config/pagemessage.h"
#include "framework/WEvent.h"
#include "framework/WForm.h"
#include "settings/settings.h"

namespace orvanta {

class ConfigPage : public WForm {
public:
    explicit ConfigPage(PageId id);

    // Sets the controls from the record.
    virtual void loadSettings(const Settings&) {}
    // Writes the controls' values into the record.
    virtual void collectSettings(Settings&) const {}

    // The room the page needs: its table's size, or more when controls grew
    // to show their text (hidden controls do not count).
    QSize requiredSize() const;

    // Posts the message to the owner form (the dialog); it is handled after
    // the current handler has returned. Nothing happens without an owner.
    void postMessage(const PageMessage& message);

    WEvent<const PageMessage&> MessageEvent;  // messages posted to this page

protected:
    bool event(QEvent* event) override;
};

}  // namespace orvanta
