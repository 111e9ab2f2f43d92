// The tests' shell folder (see test_shell_folder.h), an in-process COM server. Its item IDs hold
// a tag, whether the entry is a file, and the entry's name.

#include "platform/win32/tests/test_shell_folder.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace nivaro::win32::testing {
namespace {

std::atomic<long> liveObjects = 0;

// Not the shell's own ID layout: its readers find nothing they know in it.
constexpr BYTE kTag = 0x9E;

struct Entry {
    std::wstring name;
    bool file;
};

LPITEMIDLIST MakeId(const Entry& entry)
{
    const std::size_t bytes = 2 + 2 + (entry.name.size() + 1) * sizeof(wchar_t);
    auto* id = static_cast<BYTE*>(::CoTaskMemAlloc(bytes + 2));
    if (id == nullptr) {
        return nullptr;
    }
    const auto size = static_cast<USHORT>(bytes);
    std::memcpy(id, &size, 2);
    id[2] = kTag;
    id[3] = entry.file ? 1 : 0;
    std::memcpy(id + 4, entry.name.c_str(), (entry.name.size() + 1) * sizeof(wchar_t));
    id[bytes] = 0;
    id[bytes + 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(id);
}

bool ReadId(PCUITEMID_CHILD id, Entry& entry)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(id);
    USHORT size = 0;
    std::memcpy(&size, bytes, 2);
    if (size < 6 || bytes[2] != kTag) {
        return false;
    }
    entry.file = bytes[3] != 0;
    entry.name.assign(reinterpret_cast<const wchar_t*>(bytes + 4), (size - 4) / sizeof(wchar_t) - 1);
    return true;
}

// The reference count every object here keeps, and the count of objects alive for the module.
class Counted {
public:
    Counted() { ++liveObjects; }
    virtual ~Counted() { --liveObjects; }
    ULONG AddRefOnce() { return ++references_; }
    ULONG ReleaseOnce()
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

private:
    std::atomic<ULONG> references_ = 1;
};

class Folder;

class EntryList final : public IEnumIDList, public Counted {
public:
    explicit EntryList(std::vector<Entry> entries) : entries_(std::move(entries)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == __uuidof(IUnknown) || id == __uuidof(IEnumIDList)) {
            *object = static_cast<IEnumIDList*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefOnce(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseOnce(); }
    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, PITEMID_CHILD* ids, ULONG* fetched) override
    {
        ULONG given = 0;
        while (given < wanted && next_ < entries_.size()) {
            ids[given++] = MakeId(entries_[next_++]);
        }
        if (fetched != nullptr) {
            *fetched = given;
        }
        return given == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        next_ += count;
        return next_ <= entries_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }

private:
    std::vector<Entry> entries_;
    std::size_t next_ = 0;
};

// The "delete" verb of one made-up item: it takes the item's name out of the desktop.ini.
class DeleteMenu final : public IContextMenu, public Counted {
public:
    DeleteMenu(std::wstring ini, std::wstring name) : ini_(std::move(ini)), name_(std::move(name)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == __uuidof(IUnknown) || id == __uuidof(IContextMenu)) {
            *object = static_cast<IContextMenu*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefOnce(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseOnce(); }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override
    {
        ::InsertMenuW(menu, index, MF_BYPOSITION | MF_STRING, first, L"&Delete");
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
    }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override
    {
        const bool byName = HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0;
        bool isDelete = !byName && LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) == 0;
        if (byName) {
            const auto* wide = info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE) != 0
                                   ? reinterpret_cast<CMINVOKECOMMANDINFOEX*>(info)->lpVerbW
                                   : nullptr;
            isDelete = wide != nullptr ? ::lstrcmpiW(wide, L"delete") == 0 : ::lstrcmpiA(info->lpVerb, "delete") == 0;
        }
        if (!isDelete) {
            return E_INVALIDARG;
        }
        return ::WritePrivateProfileStringW(kVirtualItemsSection, name_.c_str(), nullptr, ini_.c_str()) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override { return E_NOTIMPL; }

private:
    std::wstring ini_;
    std::wstring name_;
};

class Folder final : public IShellFolder, public IPersistFolder, public Counted {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == __uuidof(IUnknown) || id == __uuidof(IShellFolder)) {
            *object = static_cast<IShellFolder*>(this);
        } else if (id == __uuidof(IPersist) || id == __uuidof(IPersistFolder)) {
            *object = static_cast<IPersistFolder*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefOnce(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseOnce(); }

    // IPersistFolder
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override
    {
        *id = kTestShellFolderClass;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE where) override
    {
        wchar_t path[MAX_PATH]{};
        if (!::SHGetPathFromIDListW(where, path)) {
            return E_FAIL;
        }
        path_ = path;
        return S_OK;
    }

    // IShellFolder
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR name, ULONG* eaten, PIDLIST_RELATIVE* id,
                                               ULONG* attributes) override
    {
        *id = nullptr;
        for (const Entry& entry : Entries()) {
            if (::lstrcmpiW(entry.name.c_str(), name) == 0) {
                *id = MakeId(entry);
                if (eaten != nullptr) {
                    *eaten = static_cast<ULONG>(entry.name.size());
                }
                if (attributes != nullptr) {
                    *attributes &= AttributesOf(entry);
                }
                return *id != nullptr ? S_OK : E_OUTOFMEMORY;
            }
        }
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList** list) override
    {
        *list = new (std::nothrow) EntryList(Entries());
        return *list != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override
    {
        Entry first;
        Entry second;
        if (!ReadId(a, first) || !ReadId(b, second)) {
            return E_INVALIDARG;
        }
        const int order = ::lstrcmpiW(first.name.c_str(), second.name.c_str());
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(order < 0 ? -1 : order > 0)));
    }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY ids, SFGAOF* attributes) override
    {
        for (UINT i = 0; i < count; ++i) {
            Entry entry;
            if (!ReadId(ids[i], entry)) {
                return E_INVALIDARG;
            }
            *attributes &= AttributesOf(entry);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT count, PCUITEMID_CHILD_ARRAY ids, REFIID id, UINT*,
                                            void** object) override
    {
        *object = nullptr;
        Entry entry;
        if (count != 1 || !ReadId(ids[0], entry) || entry.file || id != __uuidof(IContextMenu)) {
            return E_NOINTERFACE;
        }
        auto* menu = new (std::nothrow) DeleteMenu(Ini(), entry.name);
        if (menu == nullptr) {
            return E_OUTOFMEMORY;
        }
        *object = static_cast<IContextMenu*>(menu);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD id, SHGDNF, STRRET* name) override
    {
        Entry entry;
        if (!ReadId(id, entry)) {
            return E_INVALIDARG;
        }
        name->uType = STRRET_WSTR;
        const std::size_t bytes = (entry.name.size() + 1) * sizeof(wchar_t);
        name->pOleStr = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
        if (name->pOleStr == nullptr) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(name->pOleStr, entry.name.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD* id) override
    {
        if (id != nullptr) {
            *id = nullptr;
        }
        return E_NOTIMPL;
    }

private:
    static SFGAOF AttributesOf(const Entry& entry)
    {
        return entry.file ? SFGAO_FILESYSTEM | SFGAO_CANDELETE : SFGAO_CANDELETE;
    }
    std::wstring Ini() const { return path_ + L"\\desktop.ini"; }

    // The folder's files, the desktop.ini aside, then its made-up items.
    std::vector<Entry> Entries() const
    {
        std::vector<Entry> entries;
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L".." && ::lstrcmpiW(name.c_str(), L"desktop.ini") != 0) {
                    entries.push_back({name, true});
                }
            } while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
        std::wstring keys(32768, L'\0');
        const DWORD length = ::GetPrivateProfileStringW(kVirtualItemsSection, nullptr, L"", keys.data(),
                                                        static_cast<DWORD>(keys.size()), Ini().c_str());
        for (const wchar_t* key = keys.c_str(); key < keys.c_str() + length && *key != L'\0'; key += std::wcslen(key) + 1) {
            entries.push_back({key, false});
        }
        return entries;
    }

    std::wstring path_;
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == __uuidof(IUnknown) || id == __uuidof(IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the module
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID id, void** object) override
    {
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* folder = new (std::nothrow) Folder;
        if (folder == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT result = folder->QueryInterface(id, object);
        folder->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

}  // namespace
}  // namespace nivaro::win32::testing

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID id, REFIID wanted, void** object)
{
    if (id != nivaro::win32::testing::kTestShellFolderClass) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return nivaro::win32::testing::factory.QueryInterface(wanted, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return nivaro::win32::testing::liveObjects == 0 ? S_OK : S_FALSE;
}
