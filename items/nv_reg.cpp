#include "items/nv_reg.h"

#include "registry/mod_reg.h"

namespace nivaro {

void NvReg::SetHKey(RegistryRoot root)
{
    hkey_ = root;
    Site().PropertyChanged(L"HKey");
}

void NvReg::InitProperties()
{
    regKey_.clear();
    InitTitle();
    hkey_ = kCurrentUser;
}

Result<> NvReg::ReadProperties(const PropertySet& set)
{
    auto hkey = set.ReadInt(L"HKey", kCurrentUser);
    if (!hkey) {
        return std::unexpected(hkey.error());
    }
    auto regKey = set.ReadText(L"RegKey", L"");
    if (!regKey) {
        return std::unexpected(regKey.error());
    }
    if (auto title = ReadTitle(set); !title) {
        return title;
    }
    hkey_ = *hkey;
    regKey_ = std::move(*regKey);
    return ShowTitle();
}

void NvReg::WriteProperties(PropertySet& set) const
{
    set.Write(L"HKey", hkey_, kCurrentUser);
    set.Write(L"RegKey", regKey_, std::wstring());
    WriteTitle(set);
}

Result<> NvReg::Start()
{
    if (auto reset = ResetBand(); !reset) {
        return reset;
    }
    const std::size_t count = DeleteAllValues(registry_, hkey_, regKey_);
    if (auto shown = SetStatus(CountText(static_cast<long long>(count))); !shown) {
        return shown;
    }
    return ResetBand();
}

}  // namespace nivaro
