#include "bench/win32/folder_baselines.h"

#include <windows.h>
#include <shldisp.h>

#include <string_view>

#include "ui/win32/message_pump.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32::bench {
namespace {

bool IsDotEntry(const WIN32_FIND_DATAW& data)
{
    const std::wstring_view name(data.cFileName);
    return name == L"." || name == L"..";
}

void MakeExtraCall(ExtraCall extra, const std::wstring& path)
{
    switch (extra) {
    case ExtraCall::kNone:
        break;
    case ExtraCall::kFindFirstFileEx: {
        WIN32_FIND_DATAW data{};
        (void)UniqueFind(::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
        break;
    }
    case ExtraCall::kGetFileAttributesEx: {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        (void)::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        break;
    }
    case ExtraCall::kPeekMessage:
        PumpPendingMessages(nullptr);
        break;
    }
}

}  // namespace

std::size_t CountEntries(const std::wstring& folder)
{
    WIN32_FIND_DATAW data{};
    const UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) {
        return 0;
    }
    std::size_t count = 0;
    do {
        count += IsDotEntry(data) ? 0 : 1;
    } while (::FindNextFileW(find.get(), &data));
    return count;
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::size_t DeleteWithRawLoop(const std::wstring& folder, ExtraCall extra)
{
    const std::wstring prefix = folder + L"\\";
    WIN32_FIND_DATAW data{};
    const UniqueFind find(::FindFirstFileW((prefix + L"*").c_str(), &data));
    if (!find) {
        return 0;
    }
    std::size_t deleted = 0;
    std::wstring path = prefix;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        path.resize(prefix.size());
        path.append(data.cFileName);
        MakeExtraCall(extra, path);
        deleted += ::DeleteFileW(path.c_str()) ? 1 : 0;
    } while (::FindNextFileW(find.get(), &data));
    return deleted;
}

std::size_t DeleteRereadingShellList(const std::wstring& folder)
{
    const ComApartment apartment;
    ComPtr<IShellDispatch> shell;
    if (FAILED(::CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch, shell.put_void()))) {
        return 0;
    }
    UniqueVariant where(folder);
    ComPtr<Folder> shellFolder;
    if (FAILED(shell->NameSpace(where.get(), shellFolder.put())) || !shellFolder) {
        return 0;
    }
    LONG passes = 0;
    {
        ComPtr<FolderItems> items;
        if (FAILED(shellFolder->Items(items.put())) || !items || FAILED(items->get_Count(&passes))) {
            return 0;
        }
    }
    std::size_t deleted = 0;
    for (LONG pass = 0; pass < passes; ++pass) {
        ComPtr<FolderItems> items;
        if (FAILED(shellFolder->Items(items.put())) || !items) {
            continue;
        }
        UniqueVariant index;
        index.get().vt = VT_I4;
        index.get().lVal = pass;
        ComPtr<FolderItem> item;
        if (items->Item(index.get(), item.put()) != S_OK || !item) {
            continue;  // past the end of a list that has shrunk
        }
        UniqueBstr name;
        if (FAILED(item->get_Name(name.put()))) {
            continue;
        }
        const std::wstring path = folder + L"\\" + std::wstring(name.view());
        WIN32_FIND_DATAW data{};
        if (UniqueFind(::FindFirstFileW(path.c_str(), &data))) {
            deleted += ::DeleteFileW(path.c_str()) ? 1 : 0;
        } else {
            UniqueVariant verb(L"delete");
            deleted += SUCCEEDED(item->InvokeVerb(verb.get())) ? 1 : 0;
        }
    }
    return deleted;
}

bool RemoveFolder(const std::wstring& folder)
{
    if (CountEntries(folder) != 0) {
        (void)DeleteWithRawLoop(folder);
    }
    return ::RemoveDirectoryW(folder.c_str()) != 0;
}

}  // namespace nivaro::win32::bench
