#pragma once
// The shortcut resolver of the picture list build, over the .lnk reader.
#include "catalogue/picturecatalogue.h"

namespace orvanta {

// Resolves a .lnk file to its target's full path. A target that is not an
// absolute local path (a Windows drive path, say) does not resolve: no
// picture could ever be loaded from it here.
ShortcutResolver shellShortcutResolver();

}  // namespace orvanta
