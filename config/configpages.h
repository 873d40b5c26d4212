#pragma once
// The pages of the settings dialog, in one table in tab order: what each is
// (its class, made by its row), the label of its tab, the layout table it is
// built from and its help page. The dialog makes and lists the pages by the
// table; a page finds its own row by its id, which is also its tab index.
#include <memory>
#include <span>

#include "config/pagemessage.h"

namespace orvanta {

class ConfigPage;
struct ConfigurationOptions;

enum class PageId { PictureSettings, PictureSelection, EffectsOverlays, MusicSelection, About, Support };

struct PageRow {
    PageId id;
    const char* tabLabel;
    const char* layout;     // the Qt resource path of the page's layout table
    const char* helpTopic;  // the file name of the tab's help page
    // Makes the page for a dialog with these options.
    std::unique_ptr<ConfigPage> (*make)(const ConfigurationOptions& options);
};

// Every page, in tab order.
std::span<const PageRow> configPages();
const PageRow& pageRow(PageId id);
constexpr int tabIndex(PageId id) { return static_cast<int>(id); }

// The page the dialog passes a message of that kind on to.
PageId recipientOf(PageMessageKind kind);

}  // namespace orvanta
