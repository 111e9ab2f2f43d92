#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <map>
#include <memory>
#include <optional>

#include "platform/backend.h"
#include "platform/path_join.h"
#include "platform/win32/long_path.h"
#include "platform/win32/top_level_window_refusal.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr SHCONTF kEveryEntry = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN | SHCONTF_INCLUDESUPERHIDDEN;
// The range of command ids the context menu may take for its items.
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

std::unexpected<Error> Failed(HRESULT result)
{
    return std::unexpected(HresultError(result));
}

std::optional<std::wstring> DisplayName(IShellFolder& folder, PCUITEMID_CHILD child, SHGDNF kind)
{
    STRRET name{};
    if (FAILED(folder.GetDisplayNameOf(child, kind, &name))) {
        return std::nullopt;
    }
    LPWSTR text = nullptr;
    const HRESULT copied = ::StrRetToStrW(&name, child, &text);  // frees the STRRET's own string
    const UniqueCoTaskString owned(text);
    if (FAILED(copied) || !owned) {
        return std::nullopt;
    }
    return std::wstring(owned.get());
}

bool IsFileSystemObject(IShellFolder& folder, PCUITEMID_CHILD child)
{
    SFGAOF attributes = SFGAO_FILESYSTEM;
    return SUCCEEDED(folder.GetAttributesOf(1, &child, &attributes)) && (attributes & SFGAO_FILESYSTEM) != 0;
}

// The attributes and size that the listing found, kept in the entry's ID list, so reading them
// asks the file system nothing. An ID list that keeps none gives nothing; the entry's own open
// finds out what it is.
WIN32_FIND_DATAW ListedData(IShellFolder& folder, PCUITEMID_CHILD child)
{
    WIN32_FIND_DATAW data{};
    if (FAILED(::SHGetDataFromIDListW(&folder, child, SHGDFIL_FINDDATA, &data, sizeof(data)))) {
        data = {};
    }
    return data;
}

class Win32ShellFolder final : public ShellFolder {
public:
    explicit Win32ShellFolder(std::wstring path) : path_(std::move(path)) {}

    Result<> Open();
    bool ShowsOnlyFiles() override;
    Result<bool> Next(std::vector<ShellEntry>& out, std::size_t most) override;
    Result<bool> InvokeDelete(const ShellEntry& entry) override;

private:
    Result<PCUITEMID_CHILD> ChildFor(const ShellEntry& entry);
    Result<> RunDeleteVerb(PCUITEMID_CHILD child) const;
    bool IsGone(const ShellEntry& entry) const;

    ComApartment apartment_;  // declared first, so that COM outlives every pointer below
    ComPtr<IShellFolder> shellFolder_;
    std::wstring path_;
    ComPtr<IEnumIDList> list_;  // the one enumeration Next reads from
    bool listed_ = false;
    // The entries that are no file-system objects as Next listed them, by parsing name, for
    // InvokeDelete to find again.
    std::map<std::wstring, UniquePidl> children_;
};

// The folder's place in the namespace, and the namespace folder for it. Bound straight from its
// parsed ID list: the automation object's NameSpace reads the whole folder in Wine before it
// answers, and that would hold the window up for as long as a listing of every entry takes.
Result<> Win32ShellFolder::Open()
{
    // A thread already in the multithreaded apartment keeps it; COM works there all the same.
    if (FAILED(apartment_.result()) && apartment_.result() != RPC_E_CHANGED_MODE) {
        return Failed(apartment_.result());
    }
    UniquePidl idList;
    HRESULT result = ::SHParseDisplayName(path_.c_str(), nullptr, idList.put(), 0, nullptr);
    if (FAILED(result)) {
        return Failed(result);
    }
    result = ::SHBindToObject(nullptr, idList.get(), nullptr, IID_IShellFolder, shellFolder_.put_void());
    if (FAILED(result)) {
        return Failed(result);
    }
    return {};
}

// A folder that no namespace extension takes over is shown by the shell's own file-system folder.
bool Win32ShellFolder::ShowsOnlyFiles()
{
    auto persist = shellFolder_.query<IPersist>();
    CLSID id{};
    return persist && SUCCEEDED(persist->GetClassID(&id)) && ::IsEqualCLSID(id, CLSID_ShellFSFolder);
}

// The list comes from one enumeration: the automation object's FolderItems would read the
// folder again for every item asked of it.
Result<bool> Win32ShellFolder::Next(std::vector<ShellEntry>& out, std::size_t most)
{
    if (!listed_) {
        listed_ = true;
        const HRESULT result = shellFolder_->EnumObjects(nullptr, kEveryEntry, list_.put());
        if (FAILED(result)) {
            return Failed(result);
        }
    }
    if (!list_) {
        return false;  // nothing to list
    }
    for (std::size_t added = 0; added < most;) {
        UniquePidl child;
        ULONG fetched = 0;
        if (list_->Next(1, child.put(), &fetched) != S_OK || fetched != 1) {
            list_.reset();
            return added > 0;
        }
        // The parsing name keeps the extension that a display name may hide.
        std::optional<std::wstring> parsingName =
            DisplayName(*shellFolder_.get(), child.get(), SHGDN_INFOLDER | SHGDN_FORPARSING);
        if (!parsingName) {
            continue;  // an entry without a name cannot be found again
        }
        ++added;
        if (!IsFileSystemObject(*shellFolder_.get(), child.get())) {
            std::wstring name = DisplayName(*shellFolder_.get(), child.get(), SHGDN_INFOLDER).value_or(*parsingName);
            children_.insert_or_assign(*parsingName, std::move(child));
            out.push_back({std::move(name), std::move(*parsingName), std::wstring()});
            continue;
        }
        // A file is shown by its own name; asking the shell for a display name as well would
        // cost a second call for every entry, and hide the extension besides. Its path is for
        // showing only: the entry is opened by its name, relative to the folder's handle.
        const WIN32_FIND_DATAW data = ListedData(*shellFolder_.get(), child.get());
        std::wstring path = JoinPath(path_, *parsingName, L'\\');
        out.push_back({*parsingName, std::move(*parsingName), std::move(path), data.dwFileAttributes,
                       static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow});
    }
    return true;
}

Result<PCUITEMID_CHILD> Win32ShellFolder::ChildFor(const ShellEntry& entry)
{
    if (auto known = children_.find(entry.parsingName); known != children_.end()) {
        return known->second.get();
    }
    std::wstring name = entry.parsingName;  // ParseDisplayName takes a writable string
    UniquePidl child;
    const HRESULT result = shellFolder_->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, child.put(), nullptr);
    if (FAILED(result)) {
        return Failed(result);
    }
    return children_.insert_or_assign(entry.parsingName, std::move(child)).first->second.get();
}

// Shift makes the verb delete rather than move to the Recycle Bin. The verb may still ask for
// confirmation however it is told to keep quiet, and on a window of its own that would block
// this thread: no such window is let up while it runs.
Result<> Win32ShellFolder::RunDeleteVerb(PCUITEMID_CHILD child) const
{
    ComPtr<IContextMenu> menu;
    HRESULT result = shellFolder_->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, menu.put_void());
    if (FAILED(result)) {
        return Failed(result);
    }
    const UniqueMenu popup(::CreatePopupMenu());
    if (!popup) {
        return std::unexpected(LastError());
    }
    result = menu->QueryContextMenu(popup.get(), 0, kFirstCommand, kLastCommand, CMF_NORMAL);
    if (FAILED(result)) {
        return Failed(result);
    }
    CMINVOKECOMMANDINFOEX invocation{};
    invocation.cbSize = sizeof(invocation);
    invocation.fMask = CMIC_MASK_UNICODE | CMIC_MASK_FLAG_NO_UI | CMIC_MASK_SHIFT_DOWN;
    invocation.lpVerb = "delete";
    invocation.lpVerbW = L"delete";
    invocation.nShow = SW_HIDE;
    const TopLevelWindowRefusal noDialogs;
    if (!noDialogs) {
        return std::unexpected(LastError());
    }
    result = menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&invocation));
    if (FAILED(result)) {
        return Failed(result);
    }
    return {};
}

bool Win32ShellFolder::IsGone(const ShellEntry& entry) const
{
    std::wstring name = entry.parsingName;
    UniquePidl again;
    return FAILED(shellFolder_->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, again.put(), nullptr));
}

// Only for an entry that is no file-system object: a file is deleted through its own handle.
Result<bool> Win32ShellFolder::InvokeDelete(const ShellEntry& entry)
{
    if (entry.IsFileSystemObject()) {
        return Failed(E_INVALIDARG);
    }
    auto child = ChildFor(entry);
    if (!child) {
        return std::unexpected(child.error());
    }
    if (auto ran = RunDeleteVerb(*child); !ran) {
        return std::unexpected(ran.error());
    }
    return IsGone(entry);
}

}  // namespace

Result<std::unique_ptr<ShellFolder>> Win32Shell::NameSpace(std::wstring_view path)
{
    // An empty path the automation object would take for the desktop.
    if (path.empty() || path.size() >= kShellPathLimit) {
        return Failed(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    }
    auto folder = std::make_unique<Win32ShellFolder>(std::wstring(path));
    if (auto opened = folder->Open(); !opened) {
        return std::unexpected(opened.error());
    }
    return folder;
}

}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<Shell> MakeShell()
{
    return std::make_unique<win32::Win32Shell>();
}

}  // namespace nivaro
