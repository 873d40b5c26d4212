#include "config/configpages.h"

#include "config/configuration.h"
#include "config/tabform1.h"
#include "config/tabform2.h"
#include "config/tabform3.h"
#include "config/tabform4.h"
#include "config/tabform6.h"
#include "config/tabform7.h"

namespace orvanta {

namespace {

constexpr PageRow kPages[] = {
    {PageId::PictureSettings, "Picture Settings", ":/forms/TabForm1.form", "picture-settings.html",
     [](const ConfigurationOptions&) -> std::unique_ptr<ConfigPage> { return std::make_unique<TabForm1>(); }},
    {PageId::PictureSelection, "Picture Selection", ":/forms/TabForm2.form", "picture-selection.html",
     [](const ConfigurationOptions& options) -> std::unique_ptr<ConfigPage> {
         return std::make_unique<TabForm2>(options.wallpaper);
     }},
    {PageId::EffectsOverlays, "Effects/Overlays", ":/forms/TabForm4.form", "effects-overlays.html",
     [](const ConfigurationOptions& options) -> std::unique_ptr<ConfigPage> {
         return std::make_unique<TabForm4>(options.transitionCount);
     }},
    {PageId::MusicSelection, "Music Selection", ":/forms/TabForm7.form", "music-selection.html",
     [](const ConfigurationOptions&) -> std::unique_ptr<ConfigPage> { return std::make_unique<TabForm7>(); }},
    {PageId::About, "About Orvanta", ":/forms/TabForm3.form", "about.html",
     [](const ConfigurationOptions&) -> std::unique_ptr<ConfigPage> { return std::make_unique<TabForm3>(); }},
    {PageId::Support, "Support", ":/forms/TabForm6.form", "support.html",
     [](const ConfigurationOptions&) -> std::unique_ptr<ConfigPage> { return std::make_unique<TabForm6>(); }},
};

// A page's id is its row's index.
static_assert([] {
    for (std::size_t i = 0; i < std::size(kPages); ++i)
        if (tabIndex(kPages[i].id) != static_cast<int>(i)) return false;
    return true;
}());

}  // namespace

std::span<const PageRow> configPages() { return kPages; }

const PageRow& pageRow(PageId id) { return kPages[tabIndex(id)]; }

PageId recipientOf(PageMessageKind kind) {
    switch (kind) {
    case PageMessageKind::StretchModeChanged: return PageId::PictureSelection;
    }
    return PageId::PictureSelection;
}

}  // namespace orvanta
