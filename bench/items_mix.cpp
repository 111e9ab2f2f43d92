#include "bench/items_mix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string_view>
#include <vector>

#include "platform/utf8.h"

namespace nivaro::bench {
namespace {

constexpr double kEditionEntries = 4067;

// The variables the mix's paths start with, as often as each comes.
constexpr std::array<std::pair<std::string_view, int>, 14> kVariables{{
    {"%LocalAppData%", 40}, {"%AppData%", 30},      {"%ProgramFiles%", 8},   {"%UserProfile%", 5},
    {"%CommonAppData%", 4}, {"%LocalLowAppData%", 3}, {"%Documents%", 2},    {"%WinDir%", 2},
    {"%SystemDrive%", 1},   {"%Public%", 1},        {"%CommonProgramFiles%", 1}, {"%Music%", 1},
    {"%Pictures%", 1},      {"%Video%", 1},
}};

constexpr std::array<std::string_view, 3> kWildcardTails{"\\User Data\\*\\Cache", "\\Profiles\\*\\cache2", "\\*\\Logs"};
constexpr std::array<std::string_view, 3> kPatterns{"*.*", "*.log;*.tmp", "*.dmp"};
constexpr std::array<std::string_view, 6> kSections{"Games", "Brave Web Browser", "Vivaldi Web Browser",
                                                    "Waterfox Web Browser", "Steam", "Firefox Forks"};
constexpr std::array<std::string_view, 4> kSpecial{"DET_CHROME", "DET_MOZILLA", "DET_THUNDERBIRD", "DET_OPERA"};

struct Entry {
    std::vector<std::string> describe;  // categorization and the like, first
    std::vector<std::string> detect;
    std::vector<std::string> fileKeys;  // values only; numbered when written
    std::vector<std::string> regKeys;
    std::vector<std::string> excludeKeys;
};

class Mixer {
public:
    explicit Mixer(std::size_t entries) : entries_(entries), scale_(static_cast<double>(entries) / kEditionEntries) {}

    std::size_t Scaled(double count) const { return static_cast<std::size_t>(std::lround(count * scale_)); }
    std::size_t Any() { return random_() % entries_; }
    std::size_t Below(std::size_t n) { return random_() % n; }

    std::string_view Variable()
    {
        int pick = static_cast<int>(Below(100));
        for (const auto& [variable, weight] : kVariables) {
            if ((pick -= weight) < 0) {
                return variable;
            }
        }
        return kVariables.front().first;
    }
    std::string Folder(std::size_t entry, bool wildcard)
    {
        std::string path = std::string(Variable()) + "\\Vendor" + std::to_string(entry % 97) + "\\App" + std::to_string(entry);
        if (wildcard) {
            path += kWildcardTails[Below(kWildcardTails.size())];
        } else {
            path += Below(2) == 0 ? "\\Cache" : "\\Logs";
        }
        return path;
    }

private:
    std::size_t entries_;
    double scale_;
    std::mt19937 random_{20260701};
};

}  // namespace

std::string MakeCommunityMix(const MixOptions& options)
{
    const std::size_t n = std::max<std::size_t>(options.entries, 1);
    Mixer mix(n);
    std::vector<Entry> entries(n);

    // Deletion: every entry has a FileKey; the rest go anywhere. Flags and wildcards by count.
    const std::size_t fileKeys = std::max(mix.Scaled(14118), n);
    const std::size_t removeSelf = mix.Scaled(5522);
    const std::size_t recurse = mix.Scaled(2184);
    const std::size_t wildcards = mix.Scaled(5764 - 300);  // the rest are in DetectFile and ExcludeKey lines
    for (std::size_t k = 0; k < fileKeys; ++k) {
        const std::size_t entry = k < n ? k : mix.Any();
        // `wildcards` of the lines, spread evenly.
        const bool wildcard = k * wildcards / fileKeys != (k + 1) * wildcards / fileKeys;
        std::string value = mix.Folder(entry, wildcard);
        value += "|" + std::string(kPatterns[mix.Below(kPatterns.size())]);
        const std::size_t flag = (k * 7919) % fileKeys;  // a spread of the lines, each once
        if (flag < removeSelf) {
            value += "|REMOVESELF";
        } else if (flag < removeSelf + recurse) {
            value += "|RECURSE";
        }
        entries[entry].fileKeys.push_back(std::move(value));
    }
    // The user's hive, mostly; the keys outside it come a few to an entry, as the database has them.
    const std::size_t outside[] = {mix.Scaled(178), mix.Scaled(40), mix.Scaled(4)};
    const char* outsideRoots[] = {"HKLM", "HKU\\.DEFAULT", "HKCR"};
    std::size_t outsideLines = 0;
    for (const std::size_t count : outside) {
        outsideLines += count;
    }
    const std::size_t outsideEntries = std::max<std::size_t>(1, (outsideLines + 2) / 3);
    std::size_t next = 0;
    for (std::size_t root = 0; root < std::size(outside); ++root) {
        for (std::size_t k = 0; k < outside[root]; ++k, ++next) {
            const std::size_t entry = (next / 3) * (n / outsideEntries) % n;
            entries[entry].regKeys.push_back(std::string(outsideRoots[root]) + "\\Software\\Vendor" +
                                             std::to_string(entry % 97) + "\\App" + std::to_string(entry));
        }
    }
    const std::size_t regKeys = mix.Scaled(3677) - outsideLines;
    for (std::size_t k = 0; k < regKeys; ++k) {
        const std::size_t entry = mix.Any();
        std::string key = "HKCU\\Software\\Vendor" + std::to_string(entry % 97) + "\\App" + std::to_string(entry) + "\\Recent";
        entries[entry].regKeys.push_back(k % 5 < 3 ? key + "|LastFile" + std::to_string(k % 4) : key + std::to_string(k % 3));
    }
    // Exclusions, of each kind.
    for (std::size_t k = 0; k < mix.Scaled(86); ++k) {
        const std::size_t entry = mix.Any();
        const std::string folder = mix.Folder(entry, k % 4 == 0);
        entries[entry].excludeKeys.push_back(k % 14 == 13 ? "REG|HKCU\\Software\\Vendor" + std::to_string(entry % 97) + "\\Keep"
                                             : k % 2 == 0 ? "FILE|" + folder + "\\|settings.ini"
                                                          : "PATH|" + folder + "\\Saved\\");
    }
    // Detection: one for every entry, more for some, in the hives and folders the database looks in.
    const std::size_t detectKeys[] = {mix.Scaled(1500), mix.Scaled(317), mix.Scaled(30), mix.Scaled(4)};
    const char* detectRoots[] = {"HKCU", "HKLM", "HKU\\.DEFAULT", "HKCR"};
    std::size_t detections = 0;
    const auto nextEntry = [&] { return detections < n ? detections++ : (++detections, mix.Any()); };
    for (std::size_t root = 0; root < std::size(detectKeys); ++root) {
        for (std::size_t k = 0; k < detectKeys[root]; ++k) {
            const std::size_t entry = nextEntry();
            entries[entry].detect.push_back(root == 3 ? "Detect=HKCR\\BenchApp" + std::to_string(entry) + ".Document"
                                                      : "Detect=" + std::string(detectRoots[root]) + "\\Software\\Vendor" +
                                                            std::to_string(entry % 97) + "\\App" + std::to_string(entry));
        }
    }
    const std::size_t detectFiles = mix.Scaled(2600);
    for (std::size_t k = 0; k < detectFiles; ++k) {
        const std::size_t entry = nextEntry();
        std::string path = std::string(mix.Variable()) + "\\Vendor" + std::to_string(entry % 97) + "\\App" + std::to_string(entry);
        entries[entry].detect.push_back("DetectFile=" + path + (k % 10 == 0 ? "*" : ""));
    }
    for (std::size_t k = 0; k < mix.Scaled(12); ++k) {
        entries[mix.Any()].detect.push_back("SpecialDetect=" + std::string(kSpecial[k % kSpecial.size()]));
    }
    // What describes an entry: its group, and for a few a warning or the versions of Windows it is for.
    for (std::size_t entry = 0; entry < n; ++entry) {
        entries[entry].describe.push_back(entry % 4 == 3 ? "Section=" + std::string(kSections[entry % kSections.size()])
                                                         : "LangSecRef=" + std::to_string(3021 + entry % 11));
    }
    for (std::size_t k = 0; k < mix.Scaled(40); ++k) {
        std::vector<std::string>& describe = entries[(k * 101 + 7) % n].describe;
        if (describe.size() == 1) {
            describe.push_back(k % 2 == 0 ? "DetectOS=6.1|" : "DetectOS=|6.3");
        }
    }
    for (std::size_t k = 0; k < std::max<std::size_t>(1, mix.Scaled(5)); ++k) {
        entries[(k * 613 + 11) % n].describe.push_back("Warning=Your open sessions are lost as well.");
    }

    std::string text = "; Benchmark items in the community database's mix\r\n";
    const std::string detectedBy = ToUtf8(options.detectedBy);
    for (std::size_t entry = 0; entry < n; ++entry) {
        const Entry& e = entries[entry];
        text += "\r\n[Bench App " + std::to_string(10000 + entry) + " *]\r\n";
        for (const std::string& line : e.describe) {
            if (detectedBy.empty() || !line.starts_with("DetectOS")) {
                text += line + "\r\n";
            }
        }
        if (!detectedBy.empty()) {
            text += "Detect=HKCU\\" + detectedBy + "\r\n";
        } else {
            std::size_t keys = 0;
            std::size_t files = 0;
            for (const std::string& line : e.detect) {
                if (line.starts_with("Detect=")) {
                    text += "Detect" + std::to_string(++keys) + line.substr(6) + "\r\n";
                } else if (line.starts_with("DetectFile=")) {
                    text += "DetectFile" + std::to_string(++files) + line.substr(10) + "\r\n";
                } else {
                    text += line + "\r\n";
                }
            }
        }
        const auto numbered = [&](const char* key, const std::vector<std::string>& values) {
            for (std::size_t i = 0; i < values.size(); ++i) {
                text += key + std::to_string(i + 1) + "=" + values[i] + "\r\n";
            }
        };
        numbered("FileKey", e.fileKeys);
        numbered("RegKey", e.regKeys);
        numbered("ExcludeKey", e.excludeKeys);
    }
    return text;
}

}  // namespace nivaro::bench
