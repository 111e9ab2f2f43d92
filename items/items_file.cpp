#include "items/items_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <iterator>
#include <set>
#include <span>
#include <type_traits>
#include <utility>
#include <variant>

#include "items/item_paths.h"
#include "platform/utf16.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

// Why a line is refused: a few words shared by every line refused for the same cause, the details,
// and whether the line is refused alone. Only a line that deletes what this program never cleans
// is: leaving it out narrows its entry. Any other line that cannot be taken refuses its entry.
struct Refusal {
    std::wstring reason;
    std::wstring why;
    bool alone = false;
};

std::unexpected<Refusal> Refused(std::wstring_view reason, std::wstring why)
{
    return std::unexpected(Refusal{std::wstring(reason), std::move(why)});
}

std::unexpected<Refusal> RefusedAlone(std::wstring_view reason, std::wstring why)
{
    return std::unexpected(Refusal{std::wstring(reason), std::move(why), true});
}

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

// A line's fields between its separators: the few any key has, and whether there were more.
struct Fields {
    static constexpr std::size_t kMost = 4;
    std::array<std::wstring_view, kMost> at{};
    std::size_t size = 0;  // kMost + 1 when there were more

    std::wstring_view operator[](std::size_t i) const { return at[i]; }
};

Fields Split(std::wstring_view text, wchar_t separator)
{
    Fields fields;
    for (;;) {
        if (fields.size == Fields::kMost) {
            ++fields.size;
            return fields;
        }
        const std::size_t end = text.find(separator);
        fields.at[fields.size++] = text.substr(0, end);
        if (end == std::wstring_view::npos) {
            return fields;
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
    // The program's ids are short; a longer name is none, and costs no allocation to tell.
    constexpr std::size_t kLongestId = 15;
    if (name.size() > kLongestId) {
        return std::nullopt;
    }
    std::string id;
    for (const wchar_t c : name) {
        if (static_cast<std::uint32_t>(c) >= 0x80) {
            return std::nullopt;
        }
        id.push_back(static_cast<char>(LowerAscii(c)));
    }
    return id;
}


// How a list of patterns that takes every name is kept.
enum class EveryName {
    kAsStar,  // "*": a keep-list that keeps everything
    kAsNone,  // no pattern at all: a target or an exclusion of every entry
};

// Patterns as the user lists them: names of entries, never paths; *.* is every name, as Windows
// reads it, where the name matcher would ask for a dot. Read twice, so that the list is made once,
// at its size.
std::expected<std::vector<std::wstring>, Refusal> ParsePatterns(std::wstring_view text, EveryName every = EveryName::kAsStar)
{
    const auto eachPattern = [&](auto use) {
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t end = std::min(text.find(L';', start), text.size());
            const std::wstring_view pattern = Trim(text.substr(start, end - start));
            start = end + 1;
            if (!pattern.empty()) {
                use(pattern);
            }
        }
    };
    std::size_t count = 0;
    bool everyName = false;
    std::optional<std::wstring_view> path;
    eachPattern([&](std::wstring_view pattern) {
        ++count;
        everyName = everyName || pattern == L"*.*" || pattern == L"*";
        if (!path && pattern.find_first_of(L"\\/") != std::wstring_view::npos) {
            path = pattern;
        }
    });
    if (path) {
        return Refused(L"a pattern that is a path",
                       L"the pattern " + Quoted(*path) + L" is a path: a pattern matches names of a folder's entries");
    }
    if (count == 0) {
        return Refused(L"no pattern", L"no pattern: list the names to match, or *.* for every entry");
    }
    std::vector<std::wstring> patterns;
    if (everyName && every == EveryName::kAsNone) {
        return patterns;
    }
    patterns.reserve(count);
    eachPattern([&](std::wstring_view pattern) { patterns.emplace_back(pattern == L"*.*" ? L"*" : pattern); });
    return patterns;
}

std::expected<ItemPath, Refusal> ParsePath(std::wstring_view text)
{
    const std::wstring_view path = Trim(text);
    if (path.empty()) {
        return Refused(L"no folder", L"no folder is named");
    }
    std::expected<ItemPath, PathRefusal> parsed = ParseItemPath(path);
    if (!parsed) {
        return std::unexpected(Refusal{std::move(parsed.error().reason), std::move(parsed.error().why)});
    }
    return std::move(*parsed);
}

// The roots the format names keys in; only the user's own is ever cleaned.
struct RootSpelling {
    std::wstring_view shortName;
    std::wstring_view longName;
    std::optional<RegistryRoot> root;  // nothing for a root this program never reads
};

constexpr std::array kRoots{
    RootSpelling{L"HKCU", L"HKEY_CURRENT_USER", kCurrentUser},
    RootSpelling{L"HKLM", L"HKEY_LOCAL_MACHINE", kLocalMachine},
    RootSpelling{L"HKU", L"HKEY_USERS", kUsers},
    RootSpelling{L"HKCR", L"HKEY_CLASSES_ROOT", kClassesRoot},
    RootSpelling{L"HKCC", L"HKEY_CURRENT_CONFIG", std::nullopt},
};

struct KeyPath {
    const RootSpelling* root = nullptr;
    std::wstring path;  // below the root
    std::size_t depth = 0;  // how many key names the path has
};

std::expected<KeyPath, Refusal> ParseKeyPath(std::wstring_view text)
{
    const std::size_t slash = text.find(L'\\');
    const std::wstring_view rootName = Trim(text.substr(0, slash));
    if (rootName.empty()) {
        return Refused(L"no key", L"no key is named");
    }
    const auto root = std::ranges::find_if(kRoots, [&](const RootSpelling& r) {
        return EqualsNoCase(r.shortName, rootName) || EqualsNoCase(r.longName, rootName);
    });
    if (root == kRoots.end()) {
        return Refused(L"an unknown registry root", Quoted(rootName) +
                                                       L" is no registry root: a key starts with HKCU, HKLM, HKU or HKCR");
    }
    std::wstring_view path = slash == std::wstring_view::npos ? std::wstring_view{} : text.substr(slash + 1);
    while (path.ends_with(L'\\')) {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return Refused(L"no key", L"no key is named below " + std::wstring(rootName));
    }
    if (path.starts_with(L'\\') || path.find(L"\\\\") != std::wstring_view::npos) {
        return Refused(L"an empty key name", L"an empty key name between two backslashes");
    }
    if (HasWildcard(path)) {
        return Refused(L"a wildcard in a key", L"a key is named exactly: the format has no wildcards in keys");
    }
    return KeyPath{&*root, std::wstring(path), static_cast<std::size_t>(std::ranges::count(path, L'\\')) + 1};
}

std::expected<std::wstring, Refusal> ParseValueName(std::wstring_view text)
{
    const std::wstring_view value = Trim(text);
    if (value.empty()) {
        return Refused(L"no value name", L"no value name after '|'");
    }
    if (HasWildcard(value)) {
        return Refused(L"a wildcard in a value name", L"a value is named exactly: the format has no wildcards in values");
    }
    return std::wstring(value);
}

// The least a key deleted whole must lie below its root: deleting HKCU\Software, or any key that
// many programs share, is no trace of one program.
constexpr std::size_t kWholeKeyDepth = 2;

std::expected<RegistryTarget, Refusal> ParseRegKey(std::wstring_view text)
{
    const Fields fields = Split(text, L'|');
    if (fields.size > 2) {
        return Refused(L"a malformed RegKey", L"too many '|': a RegKey is key or key|value");
    }
    auto key = ParseKeyPath(Trim(fields[0]));
    if (!key) {
        return std::unexpected(key.error());
    }
    RegistryTarget target;
    if (fields.size == 2) {
        auto value = ParseValueName(fields[1]);
        if (!value) {
            return std::unexpected(value.error());
        }
        target.value = std::move(*value);
    }
    if (key->root->root != kCurrentUser) {
        return RefusedAlone(L"a key outside HKCU", Quoted(key->root->shortName) +
                                                      L" is not cleaned: only the user's own hive (HKCU) is");
    }
    if (!target.value && key->depth < kWholeKeyDepth) {
        return RefusedAlone(L"a key too broad to delete",
                           L"HKCU\\" + key->path + L" is not deleted whole: it holds more than one program's keys");
    }
    target.key = std::move(key->path);
    target.wholeKey = !target.value;
    return target;
}

std::expected<FolderDepth, Refusal> ParseFlag(std::wstring_view flag)
{
    if (EqualsNoCase(flag, L"RECURSE")) {
        return FolderDepth::kRecurse;
    }
    if (EqualsNoCase(flag, L"REMOVESELF")) {
        return FolderDepth::kRemoveSelf;
    }
    return Refused(L"an unknown FileKey flag", Quoted(flag) + L" after the patterns is neither RECURSE nor REMOVESELF");
}

std::expected<FolderTarget, Refusal> ParseFileKey(std::wstring_view text)
{
    const Fields fields = Split(text, L'|');
    if (fields.size > 3) {
        return Refused(L"a malformed FileKey", L"too many '|': a FileKey is folder|patterns, then RECURSE or REMOVESELF");
    }
    auto path = ParsePath(fields[0]);
    if (!path) {
        if (path.error().reason == L"a network path") {
            path.error().alone = true;
        }
        return std::unexpected(path.error());
    }
    auto patterns = ParsePatterns(fields.size >= 2 ? fields[1] : std::wstring_view{}, EveryName::kAsNone);
    if (!patterns) {
        return std::unexpected(patterns.error());
    }
    FolderTarget target{.form = FolderForm::kExpanded, .path = std::move(path->text), .patterns = std::move(*patterns)};
    if (fields.size == 3) {
        auto depth = ParseFlag(Trim(fields[2]));
        if (!depth) {
            return std::unexpected(depth.error());
        }
        target.depth = *depth;
    }
    return target;
}

std::expected<Exclusion, Refusal> ParseExcludeKey(std::wstring_view text)
{
    const Fields fields = Split(text, L'|');
    const std::wstring_view kind = Trim(fields[0]);
    Exclusion exclusion;
    if (EqualsNoCase(kind, L"REG")) {
        if (fields.size > 3) {
            return Refused(L"a malformed ExcludeKey", L"too many '|': REG|key or REG|key|value");
        }
        auto key = ParseKeyPath(Trim(fields.size > 1 ? fields[1] : std::wstring_view{}));
        if (!key) {
            return std::unexpected(key.error());
        }
        // Nothing outside the user's hive is ever cleaned, so a machine key is kept already; the
        // classes root and HKU show keys of the user's hive under other names, which would not match.
        if (key->root->root != kCurrentUser && key->root->root != kLocalMachine) {
            return Refused(L"an exclusion in HKU or HKCR", L"an exclusion names its key below HKCU (or HKLM), not " +
                                                               std::wstring(key->root->shortName));
        }
        exclusion.kind = Exclusion::Kind::kRegistry;
        exclusion.root = *key->root->root;
        exclusion.path = std::move(key->path);
        if (fields.size == 3) {
            auto value = ParseValueName(fields[2]);
            if (!value) {
                return std::unexpected(value.error());
            }
            exclusion.value = std::move(*value);
        }
        return exclusion;
    }
    const bool files = EqualsNoCase(kind, L"FILE");
    if (!files && !EqualsNoCase(kind, L"PATH")) {
        return Refused(L"an unknown ExcludeKey kind", Quoted(kind) + L" is not FILE, PATH or REG");
    }
    if (fields.size < 2 || fields.size > 3) {
        return Refused(L"a malformed ExcludeKey", files ? L"FILE|folder|names is the form of a FILE exclusion"
                                                       : L"PATH|folder or PATH|folder|names is the form of a PATH exclusion");
    }
    auto path = ParsePath(fields[1]);
    if (!path) {
        return std::unexpected(path.error());
    }
    exclusion.kind = files ? Exclusion::Kind::kFiles : Exclusion::Kind::kPath;
    if (fields.size == 3) {
        auto patterns = ParsePatterns(fields[2], EveryName::kAsNone);
        if (!patterns) {
            return std::unexpected(patterns.error());
        }
        exclusion.patterns = std::move(*patterns);
    } else if (files) {
        // FILE|folder\name: the file is the path's last name.
        std::optional<std::wstring> file = path->TakeLastName();
        if (!file) {
            return Refused(L"a malformed ExcludeKey", L"a FILE exclusion names the files to keep after the folder");
        }
        exclusion.patterns = {std::move(*file)};
    }
    exclusion.path = std::move(path->text);
    return exclusion;
}

std::expected<Detection, Refusal> ParseDetectKey(std::wstring_view text)
{
    if (text.find(L'|') != std::wstring_view::npos) {
        return Refused(L"a value in a Detect", L"Detect names a key, not a value");
    }
    auto key = ParseKeyPath(text);
    if (!key) {
        return std::unexpected(key.error());
    }
    if (!key->root->root) {
        return Refused(L"an unknown registry root", std::wstring(key->root->shortName) + L" is not looked in");
    }
    return Detection{.kind = Detection::Kind::kKey, .root = *key->root->root, .path = std::move(key->path)};
}

std::expected<Detection, Refusal> ParseDetectFile(std::wstring_view text)
{
    auto path = ParsePath(text);
    if (!path) {
        return std::unexpected(path.error());
    }
    return Detection{.kind = Detection::Kind::kFile, .path = std::move(path->text)};
}

// The format's named detections of browsers and mail programs, as the keys and folders they stand for.
struct SpecialDetection {
    std::wstring_view name;
    std::array<Detection, 2> detections;
};

const std::array<SpecialDetection, 4>& SpecialDetections()
{
    static const std::array<SpecialDetection, 4> table{{
        {L"DET_CHROME",
         {{{Detection::Kind::kKey, kCurrentUser, L"Software\\Google\\Chrome"},
           {Detection::Kind::kFile, kCurrentUser, L"%LocalAppData%\\Google\\Chrome\\User Data"}}}},
        {L"DET_MOZILLA",
         {{{Detection::Kind::kKey, kCurrentUser, L"Software\\Mozilla\\Firefox"},
           {Detection::Kind::kFile, kCurrentUser, L"%AppData%\\Mozilla\\Firefox"}}}},
        {L"DET_THUNDERBIRD",
         {{{Detection::Kind::kKey, kCurrentUser, L"Software\\Mozilla\\Thunderbird"},
           {Detection::Kind::kFile, kCurrentUser, L"%AppData%\\Thunderbird"}}}},
        {L"DET_OPERA",
         {{{Detection::Kind::kKey, kCurrentUser, L"Software\\Opera Software"},
           {Detection::Kind::kFile, kCurrentUser, L"%AppData%\\Opera Software"}}}},
    }};
    return table;
}

std::expected<std::array<Detection, 2>, Refusal> ParseSpecialDetect(std::wstring_view text)
{
    for (const SpecialDetection& special : SpecialDetections()) {
        if (EqualsNoCase(special.name, text)) {
            return special.detections;
        }
    }
    return Refused(L"an unknown SpecialDetect",
                  Quoted(text) + L" is not a detection this program knows (DET_CHROME, DET_MOZILLA, DET_THUNDERBIRD, "
                                 L"DET_OPERA)");
}

std::expected<std::optional<WindowsVersion>, Refusal> ParseVersion(std::wstring_view text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    const Fields numbers = Split(text, L'.');
    const auto isNumber = [](std::wstring_view n) {
        return !n.empty() && n.size() <= 4 && std::ranges::all_of(n, IsDigit);
    };
    if (numbers.size > 2 || !isNumber(numbers[0]) || (numbers.size == 2 && !isNumber(numbers[1]))) {
        return Refused(L"a malformed DetectOS", Quoted(text) + L" is not a version such as 6.1 or 10.0");
    }
    const auto number = [](std::wstring_view n) {
        unsigned value = 0;
        for (const wchar_t c : n) {
            value = value * 10 + static_cast<unsigned>(c - L'0');
        }
        return value;
    };
    return WindowsVersion{number(numbers[0]), numbers.size == 2 ? number(numbers[1]) : 0u};
}

std::expected<WindowsRange, Refusal> ParseDetectOs(std::wstring_view text)
{
    const Fields fields = Split(text, L'|');
    if (fields.size != 2) {
        return Refused(L"a malformed DetectOS", L"DetectOS is lowest|highest, either of them left out");
    }
    WindowsRange range;
    for (std::size_t i = 0; i < 2; ++i) {
        auto version = ParseVersion(Trim(fields[i]));
        if (!version) {
            return std::unexpected(version.error());
        }
        (i == 0 ? range.lowest : range.highest) = *version;
    }
    if (!range.lowest && !range.highest) {
        return Refused(L"a malformed DetectOS", L"DetectOS names no version");
    }
    if (range.lowest && range.highest && *range.highest < *range.lowest) {
        return Refused(L"a malformed DetectOS", L"DetectOS's highest version is below its lowest");
    }
    return range;
}

std::expected<bool, Refusal> ParseDefault(std::wstring_view text)
{
    if (EqualsNoCase(text, L"True")) {
        return true;
    }
    if (EqualsNoCase(text, L"False")) {
        return false;
    }
    return Refused(L"a malformed Default", L"Default takes True or False, not " + Quoted(text));
}

// The groups of the format's LangSecRef numbers. Windows's own is named apart from this program's
// group of built-in Windows items.
constexpr std::array<std::pair<std::wstring_view, std::wstring_view>, 26> kLangSecRefs{{
    {L"3001", L"Internet Explorer"},     {L"3005", L"Microsoft Edge (legacy)"},
    {L"3006", L"Microsoft Edge"},        {L"3021", L"Applications"},
    {L"3022", L"Internet"},              {L"3023", L"Multimedia"},
    {L"3024", L"Utilities"},             {L"3025", L"Microsoft Windows"},
    {L"3026", L"Firefox"},               {L"3027", L"Opera"},
    {L"3028", L"Safari"},                {L"3029", L"Google Chrome"},
    {L"3030", L"Thunderbird"},           {L"3031", L"Windows Store"},
    {L"3032", L"Other browsers"},        {L"3033", L"Vivaldi"},
    {L"3034", L"Brave"},                 {L"3035", L"Opera GX"},
    {L"3036", L"Spotify"},               {L"3037", L"Avast Secure Browser"},
    {L"3038", L"AVG Secure Browser"},    {L"3039", L"Arc Browser"},
    {L"3040", L"iTunes"},                {L"3042", L"WhatsApp"},
    {L"3043", L"Norton Private Browser"}, {L"3044", L"Avira Secure Browser"},
}};

constexpr std::wstring_view kYourItems = L"Your items";

enum class Key {
    kFileKey,
    kRegKey,
    kExcludeKey,
    kDetect,
    kDetectFile,
    kSpecialDetect,
    kDetectOs,
    kKeep,
    kDefault,
    kSection,
    kLangSecRef,
    kDescription,
    kWarning,
};

enum class Numbering { kRequired, kOptional, kNone };

struct KeySpelling {
    std::wstring_view name;
    Key key;
    Numbering numbering;
};

constexpr std::array kKeys{
    KeySpelling{L"FileKey", Key::kFileKey, Numbering::kRequired},
    KeySpelling{L"RegKey", Key::kRegKey, Numbering::kRequired},
    KeySpelling{L"ExcludeKey", Key::kExcludeKey, Numbering::kRequired},
    KeySpelling{L"Detect", Key::kDetect, Numbering::kOptional},
    KeySpelling{L"DetectFile", Key::kDetectFile, Numbering::kOptional},
    KeySpelling{L"SpecialDetect", Key::kSpecialDetect, Numbering::kNone},
    KeySpelling{L"DetectOS", Key::kDetectOs, Numbering::kNone},
    KeySpelling{L"Keep", Key::kKeep, Numbering::kNone},
    KeySpelling{L"Default", Key::kDefault, Numbering::kNone},
    KeySpelling{L"Section", Key::kSection, Numbering::kNone},
    KeySpelling{L"LangSecRef", Key::kLangSecRef, Numbering::kNone},
    KeySpelling{L"Description", Key::kDescription, Numbering::kNone},
    KeySpelling{L"Warning", Key::kWarning, Numbering::kNone},
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
        return Refused(L"an unknown key", L"unknown key " + Quoted(written));
    }
    if (spelling->numbering == Numbering::kRequired && number.empty()) {
        const std::wstring spelled(spelling->name);
        return Refused(L"a key without its number", spelled + L" needs a number, as in " + spelled + L"1");
    }
    if (!number.empty() && number.find_first_not_of(L'0') == std::wstring_view::npos) {
        return Refused(L"a key without its number", std::wstring(spelling->name) + L" is numbered from 1");
    }
    return spelling->key;
}

// The first line of an entry that could not be taken, which refuses the whole entry.
struct Failure {
    std::size_t line = 0;
    Refusal refusal;
};

constexpr std::size_t kKeyCount = static_cast<std::size_t>(Key::kWarning) + 1;

struct ItemSection {
    ItemDefinition item;
    std::size_t line = 0;   // the section's
    std::size_t first = 0;  // the section's fate in ItemsFile::lines; its lines' follow it
    std::optional<Failure> failure;
    std::array<std::size_t, kKeyCount> givenOnLine{};  // for the keys an item has once; 0 for not yet
    std::optional<std::wstring_view> langSecRefGroup;
    std::optional<WindowsRange> windows;
};

struct KeepSection {
    std::string id;
    std::size_t line = 0;
    bool keepsEverything = false;
};

struct RefusedSection {
    std::size_t line = 0;
    std::optional<std::string> keepId;  // it looks like a built-in item's keep-list
};

class Reader {
public:
    Reader(const std::function<bool(std::string_view)>& isKnownId, std::size_t lines) : isKnownId_(isKnownId)
    {
        file_.lines.reserve(lines);
    }

    void Read(std::size_t number, std::wstring_view line)
    {
        if (line.starts_with(L'[')) {
            StartSection(number, line);
            return;
        }
        const std::size_t equals = line.find(L'=');
        const std::wstring_view key = Trim(line.substr(0, equals));
        if (equals == std::wstring_view::npos || key.empty()) {
            RefuseInSection(number, Refusal{L"not a key=value line", L"not a key=value line"});
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
        const Refusal refusal{L"not well-formed text",
                              L"the line is not well-formed text (invalid UTF-8, or a lone surrogate)"};
        if (line.starts_with(L'[')) {
            EndSection();
            file_.entries.push_back(number);
            Refuse(number, refusal);
            section_ = RefusedSection{number};
            return;
        }
        RefuseInSection(number, refusal);
    }

    ItemsFile Finish() &&
    {
        EndSection();
        return std::move(file_);
    }

private:
    bool IsKnownId(std::string_view id) const { return isKnownId_ && isKnownId_(id); }

    std::size_t SectionLine() const
    {
        return std::visit(
            [](const auto& section) -> std::size_t {
                if constexpr (std::is_same_v<std::decay_t<decltype(section)>, std::monostate>) {
                    return 0;
                } else {
                    return section.line;
                }
            },
            section_);
    }

    std::size_t Accept(std::size_t number)
    {
        file_.lines.push_back({.line = number, .accepted = true, .section = SectionLine()});
        return file_.lines.size() - 1;
    }

    std::size_t Refuse(std::size_t number, const Refusal& refusal, std::size_t cause = 0)
    {
        file_.lines.push_back({.line = number, .accepted = false, .message = OnLine(number, refusal.why),
                               .reason = refusal.reason, .cause = cause, .section = SectionLine()});
        return file_.lines.size() - 1;
    }

    // A line refused in whatever section it is in: its entry with it, or its keep-list keeping all.
    void RefuseInSection(std::size_t number, const Refusal& refusal)
    {
        if (auto* item = std::get_if<ItemSection>(&section_)) {
            Fail(*item, number, refusal);
        } else if (auto* keep = std::get_if<KeepSection>(&section_)) {
            RefuseKeepLine(*keep, number, refusal);
        } else if (const auto* refused = std::get_if<RefusedSection>(&section_)) {
            Refuse(number, Refusal{L"a line of a refused section",
                                   L"belongs to the section on line " + std::to_wstring(refused->line) +
                                       L", which was refused"},
                   refused->line);
        } else {
            Refuse(number, Refusal{L"a line outside any section",
                                   L"outside any section: an entry starts with a [Title] line"});
        }
    }

    void StartSection(std::size_t number, std::wstring_view line)
    {
        EndSection();
        const auto refuse = [&](std::wstring why, std::wstring_view name) {
            std::optional<std::string> id = AsId(Trim(name));
            RefusedSection refused{number, id && IsKnownId(*id) ? id : std::nullopt};
            section_ = refused;
            if (refused.keepId) {
                why += L"; " + FromUtf8(*refused.keepId) + L" keeps everything until it is mended";
                KeepEverything(*refused.keepId);
            } else {
                file_.entries.push_back(number);
            }
            Refuse(number, Refusal{L"a malformed section line", std::move(why)});
        };
        if (!line.ends_with(L']')) {
            refuse(L"a section's line must end with ']'", line.substr(1));
            return;
        }
        const std::wstring_view name = Trim(line.substr(1, line.size() - 2));
        if (name.empty()) {
            refuse(L"a section needs a name", name);
            return;
        }
        if (std::optional<std::string> id = AsId(name); id && IsKnownId(*id)) {
            section_ = KeepSection{.id = std::move(*id), .line = number};
            Accept(number);
            return;
        }
        std::wstring_view title = name;
        if (title.ends_with(L" *")) {
            title = Trim(title.substr(0, title.size() - 2));
        }
        ItemSection& section = section_.emplace<ItemSection>();
        file_.entries.push_back(number);
        section.line = number;
        section.item.title = title;
        section.item.onByDefault = false;  // imported entries wait for the user to choose them
        // Room for what most entries hold, made once.
        section.item.targets.reserve(8);
        section.item.detect.reserve(2);
        section.first = Accept(number);
    }

    void EndSection()
    {
        if (auto* section = std::get_if<ItemSection>(&section_)) {
            EndItem(*section);
        }
        section_ = std::monostate{};
    }

    void EndItem(ItemSection& section)
    {
        ItemDefinition& item = section.item;
        if (!section.failure && item.targets.empty()) {
            section.failure = Failure{section.line, Refusal{L"nothing to clean", Quoted(item.title) +
                                                                                  L" has no FileKey or RegKey that "
                                                                                  L"could be taken"}};
        }
        if (section.failure) {
            RefuseEntry(section);
            return;
        }
        if (item.group.empty()) {
            item.group = section.langSecRefGroup.value_or(kYourItems);
        }
        item.id = FreeId(Slug(item.title));
        if (section.windows) {
            file_.windows[item.id] = *section.windows;
        }
        file_.items.push_back(std::move(item));
    }

    // Every line of the entry refused, each saying which line refused it.
    void RefuseEntry(const ItemSection& section)
    {
        const Failure& failure = *section.failure;
        const std::wstring title = Quoted(section.item.title);
        for (std::size_t index = section.first; index < file_.lines.size(); ++index) {
            LineFate& fate = file_.lines[index];
            if (fate.line == section.line) {
                fate.message = OnLine(fate.line, failure.line == section.line
                                                     ? failure.refusal.why + L", so it is not loaded"
                                                     : title + L" is not loaded: its line " +
                                                           std::to_wstring(failure.line) + L" cannot be taken");
            } else if (fate.accepted) {
                fate.message = OnLine(fate.line, L"not taken: its entry " + title + L" is not loaded (line " +
                                                     std::to_wstring(failure.line) + L")");
            } else {
                continue;  // refused for its own reason, which it says
            }
            fate.accepted = false;
            fate.reason = failure.refusal.reason;
            fate.cause = fate.line == failure.line ? 0 : failure.line;
        }
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

    void KeepEverything(const std::string& id)
    {
        std::vector<std::wstring>& keep = file_.keep[id];
        if (std::ranges::find(keep, L"*") == keep.end()) {
            keep.emplace_back(L"*");
        }
    }

    // A keep-list that cannot be read whole keeps everything: a line left out would keep less.
    void RefuseKeepLine(KeepSection& section, std::size_t number, Refusal refusal)
    {
        refusal.why += L"; " + FromUtf8(section.id) + L" keeps everything until this line is mended";
        section.keepsEverything = true;
        KeepEverything(section.id);
        Refuse(number, refusal);
    }

    void Fail(ItemSection& section, std::size_t number, const Refusal& refusal)
    {
        Refuse(number, refusal);
        if (!refusal.alone && !section.failure) {
            section.failure = Failure{number, refusal};
        }
    }

    void ReadKey(std::monostate, std::size_t number, std::wstring_view, std::wstring_view)
    {
        RefuseInSection(number, {});
    }

    void ReadKey(const RefusedSection&, std::size_t number, std::wstring_view, std::wstring_view)
    {
        RefuseInSection(number, {});
    }

    void ReadKey(KeepSection& section, std::size_t number, std::wstring_view key, std::wstring_view value)
    {
        const std::expected<Key, Refusal> parsed = ParseKey(key);
        if (!parsed) {
            RefuseKeepLine(section, number, parsed.error());
            return;
        }
        if (*parsed != Key::kKeep) {
            RefuseKeepLine(section, number, Refusal{L"not a keep-list line", L"only Keep= may be given for a built-in item"});
            return;
        }
        std::expected<std::vector<std::wstring>, Refusal> patterns = ParsePatterns(value);
        if (!patterns) {
            RefuseKeepLine(section, number, patterns.error());
            return;
        }
        std::ranges::move(*patterns, std::back_inserter(file_.keep[section.id]));
        Accept(number);
    }

    void ReadKey(ItemSection& section, std::size_t number, std::wstring_view written, std::wstring_view value)
    {
        const std::expected<Key, Refusal> key = ParseKey(written);
        if (!key) {
            Fail(section, number, key.error());
            return;
        }
        ItemDefinition& item = section.item;
        const auto take = [&](auto&& parsed, auto use) {
            if (!parsed) {
                Fail(section, number, parsed.error());
                return;
            }
            use(std::move(*parsed));
            Accept(number);
        };
        const auto addTarget = [&](auto&& target) { item.targets.emplace_back(std::move(target)); };
        const auto addDetection = [&](Detection&& detection) { item.detect.push_back(std::move(detection)); };
        switch (*key) {
        case Key::kFileKey:
            return take(ParseFileKey(value), addTarget);
        case Key::kRegKey:
            return take(ParseRegKey(value), addTarget);
        case Key::kExcludeKey:
            return take(ParseExcludeKey(value), [&](Exclusion&& e) { item.exclude.push_back(std::move(e)); });
        case Key::kDetect:
            return take(ParseDetectKey(value), addDetection);
        case Key::kDetectFile:
            return take(ParseDetectFile(value), addDetection);
        case Key::kSpecialDetect:
            return take(ParseSpecialDetect(value), [&](std::array<Detection, 2>&& detections) {
                std::ranges::move(detections, std::back_inserter(item.detect));
            });
        case Key::kKeep:
            return take(ParsePatterns(value),
                        [&](std::vector<std::wstring>&& keep) { std::ranges::move(keep, std::back_inserter(item.keep)); });
        default:
            break;
        }
        // The rest describe the entry, once each: a second one is more likely a slip than a change of mind.
        std::size_t& given = section.givenOnLine[static_cast<std::size_t>(*key)];
        if (given != 0) {
            Fail(section, number,
                 Refusal{L"a key given twice", std::wstring(written) + L" was already given on line " + std::to_wstring(given)});
            return;
        }
        given = number;
        take(ReadDescriptive(*key, value, section), [](bool) {});
    }

    static std::expected<bool, Refusal> ReadDescriptive(Key key, std::wstring_view value, ItemSection& section)
    {
        ItemDefinition& item = section.item;
        switch (key) {
        case Key::kDefault: {
            const std::expected<bool, Refusal> on = ParseDefault(value);
            if (!on) {
                return std::unexpected(on.error());
            }
            item.onByDefault = *on;
            return true;
        }
        case Key::kSection:
            if (value.empty()) {
                return Refused(L"a malformed Section", L"Section needs the name of a group");
            }
            item.group = value;
            return true;
        case Key::kLangSecRef:
            if (value.empty() || !std::ranges::all_of(value, IsDigit)) {
                return Refused(L"a malformed LangSecRef", L"LangSecRef takes a number, not " + Quoted(value));
            }
            if (const std::optional<std::wstring_view> group = LangSecRefGroup(value)) {
                section.langSecRefGroup = *group;
            }
            return true;
        case Key::kDescription:
            item.description = value;
            return true;
        case Key::kWarning:
            if (value.empty()) {
                return Refused(L"a malformed Warning", L"Warning needs the words to warn with");
            }
            item.warning = value;
            return true;
        case Key::kDetectOs: {
            std::expected<WindowsRange, Refusal> range = ParseDetectOs(value);
            if (!range) {
                return std::unexpected(range.error());
            }
            section.windows = *range;
            return true;
        }
        default:
            return true;
        }
    }

    const std::function<bool(std::string_view)>& isKnownId_;
    ItemsFile file_;
    std::variant<std::monostate, ItemSection, KeepSection, RefusedSection> section_;
    std::set<std::string> usedIds_;
};

}  // namespace

std::optional<std::wstring_view> LangSecRefGroup(std::wstring_view number)
{
    const auto found = std::ranges::find(kLangSecRefs, number, &std::pair<std::wstring_view, std::wstring_view>::first);
    return found == kLangSecRefs.end() ? std::nullopt : std::optional(found->second);
}

ItemsFile ReadItemsFile(std::string_view bytes, const std::function<bool(std::string_view id)>& isKnownId)
{
    std::expected<DecodedText, std::wstring> text = DecodeText(bytes);
    if (!text) {
        ItemsFile unread;
        unread.error = std::move(text.error());
        return unread;
    }
    Reader reader(isKnownId, static_cast<std::size_t>(std::ranges::count(text->text, L'\n')) + 1);
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
