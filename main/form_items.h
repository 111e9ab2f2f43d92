#pragma once
// Creates the main window's cleaning items from the layout table.

#include <memory>

#include "items/item_frame.h"
#include "main/item_layout.h"
#include "platform/item_site.h"
#include "platform/services.h"

namespace nivaro {

// An item of the layout's kind on `site`, loaded from its stored property set.
Result<std::unique_ptr<ItemFrame>> CreateItem(const ControlLayout& control, ItemSite& site,
                                              const PlatformServices& services);

}  // namespace nivaro
