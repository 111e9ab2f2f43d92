#include "items/items_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <iterator>
#include <set>
#include <span>
#include <utility>
#include <variant>

#include "platform/utf16.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

using Refusal = std::wstring;

constexpr std::wstring_view kBlanks = L" \t\r\v\f";

std::wstring_view Trim(std::wstring_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsAsciiLetterOrDigit(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

wchar_t LowerAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b)
{
    return std::ranges::equal(a, b, {}, LowerAscii, LowerAscii);
}

bool HasWildcard(std::wstring_view text)
{
    return text.find_first_of(L"*?") != std::wstring_view::npos;
}

std::vector<std::wstring_view> Split(std::wstring_view text, wchar_t separator)
{
    std::vector<std::wstring_view> parts;
    for (;;) {
        const std::size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::wstring_view::npos) {
            return parts;
        }
        text.remove_prefix(end + 1);
    }
}

std::wstring Quoted(std::wstring_view text)
{
    return L"'" + std::wstring(text) + L"'";
}

std::wstring OnLine(std::size_t number, std::wstring_view why)
{
    return L"line " + std::to_wstring(number) + L": " + std::wstring(why);
}

// The file's text, and the numbers of the lines that are not well-formed text: such a line
// cannot be read, and what it meant is not guessed.
struct DecodedText {
    std::wstring text;
    std::set<std::size_t> undecodable;
};

// UTF-8 read strictly: a stray byte, an overlong form or an encoded surrogate marks its line.
DecodedText DecodeUtf8Lines(std::string_view body)
{
    DecodedText decoded;
    decoded.text.reserve(body.size());
    std::size_t line = 1;
    while (!body.empty()) {
        const auto [length, code] = DecodeUtf8(body);
        if (length == 0) {
            decoded.undecodable.insert(line);
            decoded.text.push_back(L'\uFFFD');
            body.remove_prefix(1);
            continue;
        }
        line += code == U'\n' ? 1 : 0;
        PutUtf16(code, [&](char16_t unit) {
            if constexpr (sizeof(wchar_t) == 2) {
                decoded.text.push_back(static_cast<wchar_t>(unit));
            }
        });
        if constexpr (sizeof(wchar_t) != 2) {
            decoded.text.push_back(static_cast<wchar_t>(code));
        }
        body.remove_prefix(length);
    }
    return decoded;
}

// UTF-16 read strictly: a surrogate without its partner marks its line.
std::set<std::size_t> LinesWithLoneSurrogates(std::wstring_view text)
{
    std::set<std::size_t> lines;
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<char32_t>(text[i]);
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            lines.insert(line);
        }
        line += unit == U'\n' ? 1 : 0;
    }
    return lines;
}

std::expected<DecodedText, std::wstring> DecodeText(std::string_view bytes)
{
    DecodedText decoded;
    if (bytes.starts_with("\xFF\xFE")) {
        const std::string_view body = bytes.substr(2);
        if (body.size() % 2 != 0) {
            return std::unexpected(L"The file starts as UTF-16 but has an odd number of bytes: it is cut short "
                                   L"or is not UTF-16.");
        }
        decoded.text = DecodeUtf16(std::as_bytes(std::span(body)));
        decoded.undecodable = LinesWithLoneSurrogates(decoded.text);
    } else if (bytes.starts_with("\xFE\xFF")) {
        return std::unexpected(L"The file is UTF-16 big-endian; save it as UTF-8 or as UTF-16 LE.");
    } else {
        const std::string_view body = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
        // No text in UTF-8 holds a NUL byte, while UTF-16 holds one in nearly every character.
        if (body.find('\0') != std::string_view::npos) {
            return std::unexpected(L"The file holds NUL bytes: it looks like UTF-16 without its byte-order mark. "
                                   L"Save it as UTF-8, or as UTF-16 with its byte-order mark.");
        }
        decoded = DecodeUtf8Lines(body);
    }
    if (decoded.text.find(L'\0') != std::wstring::npos) {
        return std::unexpected(L"The file holds NUL characters, which no text of items has.");
    }
    return decoded;
}

// Spaces and punctuation outside ASCII part words, like ASCII ones; other characters outside
// ASCII, letters mostly, are left out.
bool SeparatesWords(wchar_t c)
{
    const auto code = static_cast<std::uint32_t>(c);
    return code == 0xA0 || (code >= 0x2000 && code <= 0x206F) || (code >= 0x3000 && code <= 0x303F);
}

std::string Slug(std::wstring_view title)
{
    std::string slug;
    bool between = false;
    for (const wchar_t c : title) {
        if (IsAsciiLetterOrDigit(c)) {
            if (between && !slug.empty()) {
                slug.push_back('-');
            }
            between = false;
            slug.push_back(static_cast<char>(LowerAscii(c)));
        } else if (static_cast<std::uint32_t>(c) < 0x80 || SeparatesWords(c)) {
            between = true;
        }
    }
    return slug;
}

// The section's name as a built-in id would be written; nothing when it cannot be one.
std::optional<std::string> AsId(std::wstring_view name)
{
    std::string id;
    for (const wchar_t c : name) {
        if (static_cast<std::uint32_t>(c) >= 0x80) {
            return std::nullopt;
        }
        id.push_back(static_cast<char>(LowerAscii(c)));
    }
    return id;
}

// Patterns as the user lists them; *.* is every name, as Windows reads it, where the name matcher
// would ask for a dot.
std::expected<std::vector<std::wstring>, Refusal> ParsePatterns(std::wstring_view text)
{
    std::vector<std::wstring> patterns;
    for (const std::wstring_view part : Split(text, L';')) {
        const std::wstring_view pattern = Trim(part);
        if (!pattern.empty()) {
            patterns.emplace_back(pattern == L"*.*" ? L"*" : pattern);
        }
    }
    if (patterns.empty()) {
        return std::unexpected(L"no pattern: list the names to match, or *.* for every entry");
    }
    return patterns;
}

bool IsCurrentUserRoot(std::wstring_view root)
{
    return EqualsNoCase(root, L"HKCU") || EqualsNoCase(root, L"HKEY_CURRENT_USER");
}

// The path below HKCU of a key written with its root.
std::expected<std::wstring, Refusal> ParseUserKey(std::wstring_view text)
{
    const std::size_t slash = text.find(L'\\');
    const std::wstring_view root = text.substr(0, slash);
    if (root.empty()) {
        return std::unexpected(L"no key is named");
    }
    if (!IsCurrentUserRoot(root)) {
        return std::unexpected(Quoted(root) + L" is not cleaned: only the user's own hive (HKCU) is cleaned");
    }
    std::wstring_view path = slash == std::wstring_view::npos ? std::wstring_view{} : text.substr(slash + 1);
    while (path.ends_with(L'\\')) {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return std::unexpected(L"no key is named below " + std::wstring(root));
    }
    if (path.starts_with(L'\\') || path.find(L"\\\\") != std::wstring_view::npos) {
        return std::unexpected(L"an empty key name between two backslashes");
    }
    if (HasWildcard(path)) {
        return std::unexpected(L"wildcards inside a key are not supported");
    }
    return std::wstring(path);
}

std::expected<RegistryTarget, Refusal> ParseRegKey(std::wstring_view text)
{
    const std::vector<std::wstring_view> fields = Split(text, L'|');
    if (fields.size() > 2) {
        return std::unexpected(L"too many '|': a RegKey is key or key|value");
    }
    auto key = ParseUserKey(Trim(fields[0]));
    if (!key) {
        return std::unexpected(key.error());
    }
    RegistryTarget target;
    target.key = std::move(*key);
    if (fields.size() == 2) {
        const std::wstring_view value = Trim(fields[1]);
        if (value.empty()) {
            return std::unexpected(L"no value name after '|'");
        }
        if (HasWildcard(value)) {
            return std::unexpected(L"wildcards in a value name are not supported");
        }
        target.value = std::wstring(value);
    }
    return target;
}

Refusal WhyFlagRefused(std::wstring_view flag)
{
    if (EqualsNoCase(flag, L"RECURSE")) {
        return L"RECURSE is not supported: only a folder's own entries are cleaned, nothing below them";
    }
    if (EqualsNoCase(flag, L"REMOVESELF")) {
        return L"REMOVESELF is not supported: a folder itself is never removed, only its own entries";
    }
    return Quoted(flag) + L" after the patterns is not supported: only a folder's own entries are cleaned";
}

std::expected<std::wstring, Refusal> ParsePath(std::wstring_view text)
{
    const std::wstring_view path = Trim(text);
    if (path.empty()) {
        return std::unexpected(L"no folder is named");
    }
    if (HasWildcard(path)) {
        return std::unexpected(L"wildcards inside a path are not supported");
    }
    return std::wstring(path);
}

std::expected<FolderTarget, Refusal> ParseFileKey(std::wstring_view text)
{
    const std::vector<std::wstring_view> fields = Split(text, L'|');
    if (fields.size() > 3) {
        return std::unexpected(L"too many '|': a FileKey is folder|patterns");
    }
    if (fields.size() == 3) {
        return std::unexpected(WhyFlagRefused(Trim(fields[2])));
    }
    auto path = ParsePath(fields[0]);
    if (!path) {
        return std::unexpected(path.error());
    }
    auto patterns = ParsePatterns(fields.size() == 2 ? fields[1] : std::wstring_view{});
    if (!patterns) {
        return std::unexpected(patterns.error());
    }
    for (const std::wstring& pattern : *patterns) {
        if (pattern.find_first_of(L"\\/") != std::wstring::npos) {
            return std::unexpected(L"the pattern " + Quoted(pattern) +
                                   L" is a path: a pattern matches names of the folder's own entries");
        }
    }
    FolderTarget target;
    target.form = FolderForm::kExpanded;
    target.path = std::move(*path);
    if (std::ranges::find(*patterns, L"*") == patterns->end()) {
        target.patterns = std::move(*patterns);  // else none: every entry
    }
    return target;
}

std::expected<Detection, Refusal> ParseDetectKey(std::wstring_view text)
{
    if (text.find(L'|') != std::wstring_view::npos) {
        return std::unexpected(L"Detect names a key, not a value");
    }
    auto key = ParseUserKey(text);
    if (!key) {
        return std::unexpected(key.error());
    }
    return Detection{.kind = Detection::Kind::kKey, .root = kCurrentUser, .path = std::move(*key)};
}

std::expected<Detection, Refusal> ParseDetectFile(std::wstring_view text)
{
    auto path = ParsePath(text);
    if (!path) {
        return std::unexpected(path.error());
    }
    return Detection{.kind = Detection::Kind::kFile, .path = std::move(*path)};
}

std::expected<bool, Refusal> ParseDefault(std::wstring_view text)
{
    if (EqualsNoCase(text, L"True")) {
        return true;
    }
    if (EqualsNoCase(text, L"False")) {
        return false;
    }
    return std::unexpected(L"Default takes True or False, not " + Quoted(text));
}

enum class Key { kFileKey, kRegKey, kDetect, kDetectFile, kKeep, kDefault, kSection, kLangSecRef, kDescription };

enum class Numbering { kRequired, kOptional, kNone };

struct KeySpelling {
    std::wstring_view name;
    Key key;
    Numbering numbering;
};

constexpr std::array kKeys{
    KeySpelling{L"FileKey", Key::kFileKey, Numbering::kRequired},
    KeySpelling{L"RegKey", Key::kRegKey, Numbering::kRequired},
    KeySpelling{L"Detect", Key::kDetect, Numbering::kOptional},
    KeySpelling{L"DetectFile", Key::kDetectFile, Numbering::kOptional},
    KeySpelling{L"Keep", Key::kKeep, Numbering::kNone},
    KeySpelling{L"Default", Key::kDefault, Numbering::kNone},
    KeySpelling{L"Section", Key::kSection, Numbering::kNone},
    KeySpelling{L"LangSecRef", Key::kLangSecRef, Numbering::kNone},
    KeySpelling{L"Description", Key::kDescription, Numbering::kNone},
};

std::expected<Key, Refusal> ParseKey(std::wstring_view written)
{
    std::wstring_view name = written;
    while (!name.empty() && IsDigit(name.back())) {
        name.remove_suffix(1);
    }
    const std::wstring_view number = written.substr(name.size());
    const auto spelling = std::ranges::find_if(kKeys, [&](const KeySpelling& k) { return EqualsNoCase(k.name, name); });
    if (spelling == kKeys.end() || (spelling->numbering == Numbering::kNone && !number.empty())) {
        return std::unexpected(L"unknown key " + Quoted(written));
    }
    if (spelling->numbering == Numbering::kRequired && number.empty()) {
        const std::wstring spelled(spelling->name);
        return std::unexpected(spelled + L" needs a number, as in " + spelled + L"1");
    }
    if (!number.empty() && number.find_first_not_of(L'0') == std::wstring_view::npos) {
        return std::unexpected(std::wstring(spelling->name) + L" is numbered from 1");
    }
    return spelling->key;
}

struct ItemSection {
    ItemDefinition item;
    std::size_t fate = 0;                   // the section line's, in ItemsFile::lines
    std::map<Key, std::size_t> givenOnLine;  // for the keys an item has once
};

struct KeepSection {
    std::string id;
};

struct RefusedSection {
    std::size_t line = 0;
};

class Reader {
public:
    explicit Reader(const std::function<bool(std::string_view)>& isKnownId) : isKnownId_(isKnownId) {}

    void Read(std::size_t number, std::wstring_view line)
    {
        if (line.starts_with(L'[')) {
            StartSection(number, line);
            return;
        }
        const std::size_t equals = line.find(L'=');
        const std::wstring_view key = Trim(line.substr(0, equals));
        if (equals == std::wstring_view::npos || key.empty()) {
            Refuse(number, L"not a key=value line");
            return;
        }
        const std::wstring_view value = Trim(line.substr(equals + 1));
        std::visit([&](auto& section) { ReadKey(section, number, key, value); }, section_);
    }

    // A line that is not well-formed text is refused, and so is whatever it might have narrowed or
    // started: the item it is in is not loaded, a built-in item's keep-list then keeps everything,
    // and a section it might start takes no lines.
    void RefuseUndecodable(std::size_t number, std::wstring_view line)
    {
        constexpr std::wstring_view kWhy = L"the line is not well-formed text (invalid UTF-8, or a lone surrogate)";
        if (line.starts_with(L'[')) {
            EndSection();
            Refuse(number, kWhy);
            section_ = RefusedSection{number};
            return;
        }
        Refuse(number, kWhy);
        if (auto* item = std::get_if<ItemSection>(&section_)) {
            LineFate& fate = file_.lines[item->fate];
            fate.accepted = false;
            fate.message = OnLine(fate.line, Quoted(item->item.title) + L" is not loaded: its line " +
                                                 std::to_wstring(number) + L" cannot be read");
            section_ = RefusedSection{fate.line};
        } else if (const auto* keep = std::get_if<KeepSection>(&section_)) {
            file_.keep[keep->id].push_back(L"*");
        }
    }

    ItemsFile Finish() &&
    {
        EndSection();
        return std::move(file_);
    }

private:
    bool IsKnownId(std::string_view id) const { return isKnownId_ && isKnownId_(id); }

    void Accept(std::size_t number) { file_.lines.push_back({number, true, {}}); }

    void Refuse(std::size_t number, std::wstring_view why)
    {
        file_.lines.push_back({number, false, OnLine(number, why)});
    }

    void StartSection(std::size_t number, std::wstring_view line)
    {
        EndSection();
        if (!line.ends_with(L']')) {
            Refuse(number, L"a section's line must end with ']'");
            section_ = RefusedSection{number};
            return;
        }
        const std::wstring_view name = Trim(line.substr(1, line.size() - 2));
        if (name.empty()) {
            Refuse(number, L"a section needs a name");
            section_ = RefusedSection{number};
            return;
        }
        if (std::optional<std::string> id = AsId(name); id && IsKnownId(*id)) {
            Accept(number);
            section_ = KeepSection{std::move(*id)};
            return;
        }
        std::wstring_view title = name;
        if (title.ends_with(L" *")) {
            title = Trim(title.substr(0, title.size() - 2));
        }
        Accept(number);
        ItemSection& section = section_.emplace<ItemSection>();
        section.item.title = title;
        section.item.group = L"Your items";
        section.item.onByDefault = true;
        section.fate = file_.lines.size() - 1;
    }

    void EndSection()
    {
        if (auto* section = std::get_if<ItemSection>(&section_)) {
            if (section->item.targets.empty()) {
                LineFate& fate = file_.lines[section->fate];
                fate.accepted = false;
                const std::wstring why = Quoted(section->item.title) +
                                         L" has no FileKey or RegKey that could be taken, so it is not loaded";
                fate.message = OnLine(fate.line, why);
            } else {
                section->item.id = FreeId(Slug(section->item.title));
                file_.items.push_back(std::move(section->item));
            }
        }
        section_ = std::monostate{};
    }

    std::string FreeId(const std::string& slug)
    {
        const std::string base = slug.empty() ? "user-item" : "user-" + slug;
        std::string id = base;
        for (int n = 2; usedIds_.contains(id) || IsKnownId(id); ++n) {
            id = base + "-" + std::to_string(n);
        }
        usedIds_.insert(id);
        return id;
    }

    void ReadKey(std::monostate, std::size_t number, std::wstring_view, std::wstring_view)
    {
        Refuse(number, L"outside any section: an item starts with a [Title] line");
    }

    void ReadKey(const RefusedSection& section, std::size_t number, std::wstring_view, std::wstring_view)
    {
        Refuse(number, L"belongs to the section on line " + std::to_wstring(section.line) + L", which was refused");
    }

    void ReadKey(const KeepSection& section, std::size_t number, std::wstring_view key, std::wstring_view value)
    {
        if (ParseKey(key) != Key::kKeep) {
            Refuse(number, L"only Keep= may be given for a built-in item");
            return;
        }
        Take(number, ParsePatterns(value), [&](std::vector<std::wstring>&& patterns) {
            std::ranges::move(patterns, std::back_inserter(file_.keep[section.id]));
        });
    }

    void ReadKey(ItemSection& section, std::size_t number, std::wstring_view written, std::wstring_view value)
    {
        const std::expected<Key, Refusal> key = ParseKey(written);
        if (!key) {
            Refuse(number, key.error());
            return;
        }
        ItemDefinition& item = section.item;
        const auto addTarget = [&](auto&& target) { item.targets.emplace_back(std::move(target)); };
        const auto addDetection = [&](Detection&& detection) { item.detect.push_back(std::move(detection)); };
        const auto addKeep = [&](std::vector<std::wstring>&& keep) {
            std::ranges::move(keep, std::back_inserter(item.keep));
        };
        switch (*key) {
        case Key::kFileKey:
            return Take(number, ParseFileKey(value), addTarget);
        case Key::kRegKey:
            return Take(number, ParseRegKey(value), addTarget);
        case Key::kDetect:
            return Take(number, ParseDetectKey(value), addDetection);
        case Key::kDetectFile:
            return Take(number, ParseDetectFile(value), addDetection);
        case Key::kKeep:
            return Take(number, ParsePatterns(value), addKeep);
        default:
            break;
        }
        // The rest describe the item, once each: a second one is more likely a slip than a change of mind.
        const auto [given, first] = section.givenOnLine.try_emplace(*key, number);
        if (!first) {
            Refuse(number, std::wstring(written) + L" was already given on line " + std::to_wstring(given->second));
            return;
        }
        std::expected<void, Refusal> taken = ReadDescriptive(*key, value, item);
        if (!taken) {
            section.givenOnLine.erase(given);
            Refuse(number, taken.error());
            return;
        }
        Accept(number);
    }

    static std::expected<void, Refusal> ReadDescriptive(Key key, std::wstring_view value, ItemDefinition& item)
    {
        switch (key) {
        case Key::kDefault: {
            const std::expected<bool, Refusal> on = ParseDefault(value);
            if (!on) {
                return std::unexpected(on.error());
            }
            item.onByDefault = *on;
            return {};
        }
        case Key::kSection:
            if (value.empty()) {
                return std::unexpected(L"Section needs the name of a group");
            }
            item.group = value;
            return {};
        case Key::kDescription:
            item.description = value;
            return {};
        case Key::kLangSecRef:
            if (value.empty() || !std::ranges::all_of(value, IsDigit)) {
                return std::unexpected(L"LangSecRef takes a number, not " + Quoted(value));
            }
            return {};
        default:
            return {};
        }
    }

    template <typename T, typename Use>
    void Take(std::size_t number, std::expected<T, Refusal>&& parsed, Use use)
    {
        if (!parsed) {
            Refuse(number, parsed.error());
            return;
        }
        use(std::move(*parsed));
        Accept(number);
    }

    const std::function<bool(std::string_view)>& isKnownId_;
    ItemsFile file_;
    std::variant<std::monostate, ItemSection, KeepSection, RefusedSection> section_;
    std::set<std::string> usedIds_;
};

}  // namespace

ItemsFile ReadItemsFile(std::string_view bytes, const std::function<bool(std::string_view id)>& isKnownId)
{
    std::expected<DecodedText, std::wstring> text = DecodeText(bytes);
    if (!text) {
        ItemsFile unread;
        unread.error = std::move(text.error());
        return unread;
    }
    Reader reader(isKnownId);
    std::wstring_view rest = text->text;
    for (std::size_t number = 1; !rest.empty(); ++number) {
        const std::size_t end = rest.find(L'\n');
        const std::wstring_view line = Trim(rest.substr(0, end));
        rest.remove_prefix(end == std::wstring_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.starts_with(L';')) {
            continue;  // a comment says nothing, whatever bytes it holds
        }
        if (text->undecodable.contains(number)) {
            reader.RefuseUndecodable(number, line);
        } else {
            reader.Read(number, line);
        }
    }
    return std::move(reader).Finish();
}

}  // namespace nivaro
