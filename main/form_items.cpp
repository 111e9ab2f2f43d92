#include "main/form_items.h"

#include "items/nv_folder.h"
#include "items/nv_reg.h"

namespace nivaro {

Result<std::unique_ptr<ItemFrame>> CreateItem(const ControlLayout& control, ItemSite& site,
                                              const PlatformServices& services)
{
    std::unique_ptr<ItemFrame> item;
    if (KindOf(control) == ItemKind::kFolder) {
        item = std::make_unique<NvFolder>(site, services);
    } else {
        item = std::make_unique<NvReg>(site, services.registry);
    }
    if (auto loaded = item->ReadProperties(StoredPropertySet(control)); !loaded) {
        return std::unexpected(loaded.error());
    }
    return item;
}

}  // namespace nivaro
