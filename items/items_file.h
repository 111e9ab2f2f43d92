#pragma once
// The user's own items, read from a file in a documented subset of the winapp2 format.
//
// The items file
// ==============
// A text file in UTF-8 (with or without a byte-order mark) or UTF-16 LE with its byte-order mark;
// lines end in LF or CR LF. Surrounding blanks on a line do not matter, nor does the case of a key.
// Blank lines and lines starting with ';' are comments. Each other line is either taken or refused
// with its number and the reason; a refused line changes nothing, and the rest of the file still
// loads.
//
//   [Title *]          Starts an item. A trailing " *" is dropped from the title. The item is
//                      selected by the id "user-" followed by the title in lower-case ASCII letters
//                      and digits, words joined by '-' ("[Foo Bar *]" is user-foo-bar); letters
//                      outside ASCII are left out, and a second item of the same id gets "-2", a
//                      third "-3". Your items are shown in the group "Your items", checked.
//   [history]          A section named as a built-in item's id holds only Keep= lines: names that
//                      item leaves alone. It may appear more than once.
//
//   FileKey1=folder|pattern;pattern
//                      The entries of the folder whose names match a pattern (* and ?, no regard
//                      to case); *.* is every entry. The folder may hold %VARIABLE%s such as
//                      %AppData%, %LocalAppData%, %UserProfile% or %Temp%, expanded when the item
//                      runs, but no wildcard. Only the folder's own entries are cleaned: RECURSE and
//                      REMOVESELF are refused, as nothing is deleted below a folder and a folder
//                      itself is never removed. A pattern is a name, never a path.
//   RegKey1=HKCU\key   Every named value of the key (not its default value, not its subkeys).
//   RegKey1=HKCU\key|value
//                      That one value. Only HKCU (or HKEY_CURRENT_USER) is cleaned; a key in any
//                      other hive is refused. No wildcards in keys or value names.
//                      FileKey and RegKey are numbered from 1 (FileKey1, FileKey2, ...); the
//                      numbers need not be in order and change nothing.
//   Detect=HKCU\key    The item is shown only when the key exists (same rules as RegKey).
//   DetectFile=path    ... or when the file or folder exists (%VARIABLE%s allowed, no wildcards).
//                      Both may be numbered (Detect1, DetectFile2); with several, any one will do.
//   Keep=pattern;pattern
//                      Names of entries or values to leave alone (* and ?, *.* for every name);
//                      may be given more than once.
//   Default=False      Shown unchecked (True or False).
//   Section=name       The group the item is shown in.
//   Description=text   What the user loses when the item is cleaned.
//   LangSecRef=number  Taken and ignored.
//                      Default, Section, Description and LangSecRef are given once in an item.
//
// An item that is left with no FileKey or RegKey that could be taken is refused on its section's
// line and not loaded. Any other key (ExcludeKey, SpecialDetect, Warning...) is refused, as is a
// key=value line before the first section.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_definition.h"

namespace nivaro {

// What became of one line of the file.
struct LineFate {
    std::size_t line = 0;  // from 1
    bool accepted = false;
    std::wstring message;  // "line 12: ..." saying why it was refused; empty when it was taken

    friend bool operator==(const LineFate&, const LineFate&) = default;
};

struct ItemsFile {
    std::vector<ItemDefinition> items;                      // in the order of the file
    std::map<std::string, std::vector<std::wstring>> keep;  // by built-in item's id
    std::vector<LineFate> lines;                            // each line that is neither blank nor a comment
    std::optional<std::wstring> error;                      // the text could not be read; nothing else is set

    friend bool operator==(const ItemsFile&, const ItemsFile&) = default;
};

// `bytes` is the whole file. `isKnownId` tells whether a lower-case name is a built-in item's id.
ItemsFile ReadItemsFile(std::string_view bytes, const std::function<bool(std::string_view id)>& isKnownId);

}  // namespace nivaro
