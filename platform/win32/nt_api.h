#pragma once
// The native API calls that take counted names and open relative to a handle, which the wide
// Win32 functions do not offer, declared where the toolchain's headers leave them out.

#include <windows.h>
#include <winternl.h>

#include <string_view>

extern "C" {
NTSTATUS NTAPI NtDeleteValueKey(HANDLE key, PUNICODE_STRING name);
NTSTATUS NTAPI NtDeleteKey(HANDLE key);
NTSTATUS NTAPI NtSetValueKey(HANDLE key, PUNICODE_STRING name, ULONG titleIndex, ULONG type, PVOID data, ULONG size);
NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PVOID apcRoutine, PVOID apcContext,
                                    PIO_STATUS_BLOCK status, PVOID buffer, ULONG length,
                                    FILE_INFORMATION_CLASS informationClass, BOOLEAN singleEntry,
                                    PUNICODE_STRING fileName, BOOLEAN restartScan);
NTSTATUS NTAPI NtQueryKey(HANDLE key, int informationClass, PVOID buffer, ULONG length, PULONG resultLength);
NTSTATUS NTAPI NtQueryVolumeInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer, ULONG length,
                                            FS_INFORMATION_CLASS informationClass);
NTSTATUS NTAPI RtlGetVersion(PRTL_OSVERSIONINFOW version);
}

namespace nivaro::win32 {

inline constexpr NTSTATUS kStatusSuccess = 0;
inline constexpr NTSTATUS kStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006);
inline constexpr NTSTATUS kStatusObjectNameInvalid = static_cast<NTSTATUS>(0xC0000033);
inline constexpr NTSTATUS kStatusObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
inline constexpr NTSTATUS kStatusObjectPathNotFound = static_cast<NTSTATUS>(0xC000003A);
inline constexpr NTSTATUS kStatusObjectPathSyntaxBad = static_cast<NTSTATUS>(0xC000003B);
inline constexpr NTSTATUS kStatusSharingViolation = static_cast<NTSTATUS>(0xC0000043);
inline constexpr NTSTATUS kStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022);
inline constexpr NTSTATUS kStatusNoSuchDevice = static_cast<NTSTATUS>(0xC000000E);
inline constexpr NTSTATUS kStatusFileIsADirectory = static_cast<NTSTATUS>(0xC00000BA);
inline constexpr NTSTATUS kStatusCannotDelete = static_cast<NTSTATUS>(0xC0000121);
inline constexpr NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056);
inline constexpr NTSTATUS kStatusNotADirectory = static_cast<NTSTATUS>(0xC0000103);
inline constexpr NTSTATUS kStatusDirectoryNotEmpty = static_cast<NTSTATUS>(0xC0000101);

inline constexpr ULONG kFileOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
inline constexpr int kFileDirectoryInformation = 1;
inline constexpr int kFileInternalInformation = 6;  // the file's index on its volume
inline constexpr int kFileDispositionInformation = 13;
inline constexpr int kFileFsDeviceInformation = 4;
inline constexpr int kKeyNameInformation = 3;
inline constexpr NTSTATUS kStatusBufferOverflow = static_cast<NTSTATUS>(0x80000005);
inline constexpr NTSTATUS kStatusBufferTooSmall = static_cast<NTSTATUS>(0xC0000023);

// A counted name for the native calls: it may hold any character, a NUL included. Names longer
// than the native limit are refused by the caller.
inline constexpr std::size_t kMaxCountedChars = 0x7FFF;

inline UNICODE_STRING Counted(std::wstring_view text)
{
    const auto bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return UNICODE_STRING{bytes, bytes, const_cast<PWSTR>(text.data())};
}

}  // namespace nivaro::win32
