// How long cleaning a browser's databases takes: the History clean (100,000 visits of 50,000
// pages, 200 of them bookmarked) and the cookie clean (20,000 cookies, a keep-list of 10 hosts)
// as the item runs them, secure delete, identity checks and all, against the same deletes run
// plainly in one transaction by the SQLite shell built from the same amalgamation, timed by the
// shell itself (.timer), so that its process start is not counted. Also the preview of each.
// Prints figures; judges nothing.
//
//   nivaro_browser_bench [--keep] [FOLDER]   works in FOLDER (the system's temporary folder by
//                                            default); --keep leaves the databases it made there

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "browsers/database_cleaner.h"
#include "browsers/recipes.h"
#include "browsers/sqlite_connection.h"
#include "platform/profile_files.h"
#include "platform/utf8.h"
#include "tests/browsers/browser_databases.h"

#include <sqlite3.h>

namespace nivaro {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kPages = 50000;
constexpr int kVisits = 100000;
constexpr int kBookmarkEvery = 250;  // 200 bookmarked pages
constexpr int kCookies = 20000;
constexpr int kSites = 2000;
constexpr int kKeptSites = 10;
constexpr int kRepetitions = 5;

#ifdef _WIN32
constexpr const char* kShellName = "sqlite3.exe";
#else
constexpr const char* kShellName = "sqlite3";
#endif

std::string PageUrl(int page)
{
    return "https://site" + std::to_string(page % 5000) + ".example/articles/" + std::to_string(page) +
           "?utm_source=nivaro-bench&ref=" + std::to_string(page * 7919 % 100000);
}

bool Run(SqliteConnection& db, std::string_view sql)
{
    if (Result<> done = db.Execute(sql); !done) {
        std::fprintf(stderr, "%s\n", ToUtf8(done.error().description).c_str());
        return false;
    }
    return true;
}


bool MakeHistory(const fs::path& path, std::vector<std::string>& bookmarked)
{
    Result<SqliteConnection> db = SqliteConnection::Open(path.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!db || !Run(*db, "PRAGMA journal_mode = TRUNCATE; BEGIN;") || !Run(*db, test::ChromiumHistorySchema())) {
        return false;
    }
    auto urls =
        db->Prepare("INSERT INTO urls(id,url,title,visit_count,typed_count,last_visit_time) VALUES (?1,?2,?3,2,0,?4)");
    auto visits = db->Prepare("INSERT INTO visits(url,visit_time,transition,segment_id) VALUES (?1,?2,?3,?4)");
    auto links =
        db->Prepare("INSERT INTO visited_links(link_url_id,top_level_url,frame_url,visit_count) VALUES (?1,?2,?2,1)");
    if (!urls || !visits || !links) {
        return false;
    }
    for (int page = 1; page <= kPages; ++page) {
        const std::string url = PageUrl(page);
        if (page % kBookmarkEvery == 0) {
            bookmarked.push_back(url);
        }
        if (!urls->Bind(1, page) || !urls->Bind(2, url) ||
            !urls->Bind(3, "Article " + std::to_string(page) + " of the bench") ||
            !urls->Bind(4, 13350000000000000 + page) || !urls->Run() || !urls->Reset()) {
            return false;
        }
        if (!links->Bind(1, page) || !links->Bind(2, "https://site" + std::to_string(page % 5000) + ".example/") ||
            !links->Run() || !links->Reset()) {
            return false;
        }
    }
    for (int visit = 0; visit < kVisits; ++visit) {
        if (!visits->Bind(1, visit % kPages + 1) || !visits->Bind(2, 13350000000000000 + visit) ||
            !visits->Bind(3, visit % 8) || !visits->Bind(4, visit % 5000 + 1) || !visits->Run() || !visits->Reset()) {
            return false;
        }
    }
    return Run(
        *db,
        "INSERT INTO visit_source SELECT id, 1 FROM visits WHERE id % 10 = 0;"
        "INSERT INTO keyword_search_terms SELECT 2, id, 'query ' || id, 'query ' || id FROM urls WHERE id % 10 = 0;"
        "INSERT INTO segments SELECT id, 'http://site' || id || '.example/', id FROM urls WHERE id <= 5000;"
        "INSERT INTO segment_usage SELECT id, id % 5000 + 1, 13350000000000000 + id, 3 FROM visits WHERE id <= 10000;"
        "INSERT INTO content_annotations(visit_id,annotation_flags,search_terms,has_url_keyed_image) "
        "SELECT id, 0, 'terms ' || id, 0 FROM visits WHERE id % 10 = 0;"
        "INSERT INTO context_annotations(visit_id,context_annotation_flags) SELECT id, 0 FROM visits WHERE id % 4 = 0;"
        "COMMIT;");
}

bool MakeCookies(const fs::path& path)
{
    Result<SqliteConnection> db = SqliteConnection::Open(path.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!db || !Run(*db, "PRAGMA journal_mode = TRUNCATE; BEGIN;") || !Run(*db, test::ChromiumCookiesSchema())) {
        return false;
    }
    auto insert =
        db->Prepare("INSERT INTO cookies VALUES (?1,?2,?3,?4,'',randomblob(64),'/',0,1,1,?1,1,1,1,0,2,443,?1,0,0)");
    if (!insert) {
        return false;
    }
    for (int cookie = 0; cookie < kCookies; ++cookie) {
        const int site = cookie % kSites;
        const std::string host = (cookie % 3 == 0   ? "."
                                  : cookie % 3 == 1 ? "www."
                                                    : "") +
                                 ("site" + std::to_string(site)) + ".example";
        // One cookie in eight is partitioned by another site.
        const std::string partition =
            cookie % 8 == 0 ? "https://site" + std::to_string((site * 31 + 7) % kSites) + ".example" : "";
        if (!insert->Bind(1, 13350000000000000 + cookie) || !insert->Bind(2, host) || !insert->Bind(3, partition) ||
            !insert->Bind(4, "c" + std::to_string(cookie)) || !insert->Run() || !insert->Reset()) {
            return false;
        }
    }
    return Run(*db, "COMMIT;");
}

std::vector<std::wstring> KeepList()
{
    std::vector<std::wstring> keep;
    for (int site = 0; site < kKeptSites; ++site) {
        keep.push_back(L"*.site" + std::to_wstring(site * 97) + L".example");
    }
    return keep;
}

std::string Quoted(std::string_view text)
{
    std::string out = "'";
    for (const char c : text) {
        out += c;
        if (c == '\'') {
            out += '\'';
        }
    }
    return out + "'";
}

// The History clean's deletes as one plain script.
std::string HistoryScript(const std::vector<std::string>& bookmarked)
{
    std::string script = "BEGIN;\n";
    for (const char* table : {"visits", "visit_source", "keyword_search_terms", "segment_usage", "segments",
                              "content_annotations", "context_annotations", "clusters_and_visits", "cluster_keywords",
                              "cluster_visit_duplicates", "clusters", "visited_links"}) {
        script += "DELETE FROM " + std::string(table) + ";\n";
    }
    script += "CREATE TEMP TABLE kept_pages(id PRIMARY KEY) WITHOUT ROWID;\nINSERT INTO kept_pages VALUES ";
    for (std::size_t i = 0; i < bookmarked.size(); ++i) {
        script += (i == 0 ? "(" : ",(") + Quoted(bookmarked[i]) + ")";
    }
    script +=
        ";\nDELETE FROM urls WHERE url NOT IN temp.kept_pages;\n"
        "UPDATE urls SET visit_count = 0, typed_count = 0, last_visit_time = 0 WHERE url IN "
        "temp.kept_pages;\nCOMMIT;\n";
    return script;
}

// The cookie clean's delete as one plain statement: what the keep-list keeps, written in SQL.
std::string CookieScript()
{
    std::string kept;
    for (int site = 0; site < kKeptSites; ++site) {
        const std::string name = "site" + std::to_string(site * 97) + ".example";
        kept += std::string(kept.empty() ? "" : " OR ") + "host_key = '" + name + "' OR host_key LIKE '%." + name +
                "' OR top_frame_site_key = 'https://" + name + "' OR top_frame_site_key LIKE 'https://%." + name + "'";
    }
    return "BEGIN;\nDELETE FROM cookies WHERE NOT (" + kept + ");\nCOMMIT;\n";
}

// The seconds the shell spent on the script's statements, as its .timer reports them.
std::optional<double> ShellSeconds(const fs::path& shell, const fs::path& database, const fs::path& script,
                                   bool secureDelete)
{
    const fs::path timed = script.string() + ".timed";
    {
        std::ifstream in(script);
        std::ofstream out(timed);
        out << (secureDelete ? "" : "PRAGMA secure_delete = OFF;\n") << ".timer on\n" << in.rdbuf();
    }
    std::string command;
    for (const fs::path& part : {shell, database}) {
        command.append("\"").append(part.string()).append("\" ");
    }
    command.append("< \"").append(timed.string()).append("\"");
#ifdef _WIN32
    // cmd takes the first and last quotes of the whole line away.
    command.insert(command.begin(), '"');
    command.push_back('"');
    FILE* output = ::_popen(command.c_str(), "r");
#else
    FILE* output = ::popen(command.c_str(), "r");
#endif
    if (output == nullptr) {
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    while (const std::size_t read = std::fread(buffer, 1, sizeof(buffer), output)) {
        text.append(buffer, read);
    }
#ifdef _WIN32
    ::_pclose(output);
#else
    ::pclose(output);
#endif
    double seconds = 0;
    int statements = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Run Time: real ")) {
            seconds += std::stod(line.substr(15));
            ++statements;
        } else if (line.starts_with("Error") || line.starts_with("Parse error") || line.starts_with("Runtime error")) {
            std::fprintf(stderr, "shell: %s\n", line.c_str());
            return std::nullopt;
        }
    }
    return statements > 0 ? std::optional(seconds) : std::nullopt;
}

// A fresh copy of the database made, for each run. (The copy is removed first: mingw's copy over
// an existing file fails under Wine.)
void Fresh(const fs::path& made, const fs::path& target)
{
    fs::remove(target);
    fs::copy_file(made, target);
}

struct Figures {
    double clean = 1e9;
    double preview = 1e9;
    double plain = 1e9;
    double secure = 1e9;
    std::uint64_t rows = 0;
};

bool Measure(const char* name, const fs::path& folder, const fs::path& shell, const fs::path& made,
             std::wstring_view file, const DatabaseRecipe& recipe, const DatabaseInputs& inputs,
             const std::string& script)
{
    const fs::path target = folder / fs::path(std::wstring(file));
    const fs::path scriptFile = folder / "script.sql";
    std::ofstream(scriptFile) << script;
    std::unique_ptr<ProfileFiles> files = MakeProfileFiles();
    Figures best;
    for (int round = 0; round < kRepetitions; ++round) {
        Fresh(made, target);
        {
            auto profile = files->OpenFolder(folder.wstring());
            if (!profile) {
                return false;
            }
            const Clock::time_point start = Clock::now();
            const DatabaseOutcome preview = RunDatabase(*files, **profile, recipe, inputs, DatabaseMode::kPreview);
            const Clock::time_point previewed = Clock::now();
            const DatabaseOutcome clean = RunDatabase(*files, **profile, recipe, inputs, DatabaseMode::kClean);
            const Clock::time_point cleaned = Clock::now();
            if (preview.state != DatabaseState::kReady || clean.state != DatabaseState::kDone ||
                clean.Rows() != preview.Rows()) {
                std::fprintf(stderr, "%s: the clean did not run: %s\n", name,
                             ToUtf8(clean.problem ? clean.problem->description : L"").c_str());
                return false;
            }
            best.preview = std::min(best.preview, Seconds(previewed - start).count());
            best.clean = std::min(best.clean, Seconds(cleaned - previewed).count());
            best.rows = clean.Rows();
        }
        for (const bool secure : {false, true}) {
            Fresh(made, target);
            const std::optional<double> seconds = ShellSeconds(shell, target, scriptFile, secure);
            if (!seconds) {
                std::fprintf(stderr, "%s: the shell did not run the deletes\n", name);
                return false;
            }
            (secure ? best.secure : best.plain) = std::min(secure ? best.secure : best.plain, *seconds);
        }
    }
    fs::remove(target);
    fs::remove(scriptFile);
    fs::remove(scriptFile.string() + ".timed");
    std::printf("| %s | %llu | %.1f ms | %.1f ms | %.1f ms, %.2fx | %.2fx | %.1f ms |\n", name,
                static_cast<unsigned long long>(best.rows), best.plain * 1000, best.secure * 1000, best.clean * 1000,
                best.clean / best.plain, best.clean / best.secure, best.preview * 1000);
    return true;
}

int Main(int argc, char** argv)
{
    const fs::path shell = fs::absolute(fs::path(argv[0])).parent_path() / kShellName;
    if (!fs::exists(shell)) {
        std::fprintf(stderr, "No SQLite shell beside the benchmark: %s\n", shell.string().c_str());
        return 1;
    }
    const bool keep = argc > 1 && std::string_view(argv[1]) == "--keep";
    const int at = keep ? 2 : 1;
    const fs::path base = argc > at ? fs::path(argv[at]) : fs::temp_directory_path();
    const fs::path folder = base / "nivaro-browser-bench";
    fs::remove_all(folder);
    fs::create_directories(folder / "made");
    std::vector<std::string> bookmarked;
    std::printf("SQLite %s; making the databases...\n", ::sqlite3_libversion());
    if (!MakeHistory(folder / "made" / "History", bookmarked) || !MakeCookies(folder / "made" / "Cookies")) {
        std::fprintf(stderr, "The databases could not be made\n");
        return 1;
    }
    std::printf("History: %llu bytes; Cookies: %llu bytes. Best of %d runs each.\n\n",
                static_cast<unsigned long long>(fs::file_size(folder / "made" / "History")),
                static_cast<unsigned long long>(fs::file_size(folder / "made" / "Cookies")), kRepetitions);
    std::printf(
        "| database | rows removed | shell, plain | shell, secure delete | clean (all checks, secure delete) | "
        "against secure delete | preview |\n|---|---:|---:|---:|---:|---:|---:|\n");

    DatabaseInputs history{.browser = L"Edge", .keptPages = bookmarked};
    const std::vector<std::wstring> keepList = KeepList();
    DatabaseInputs cookies{.browser = L"Edge", .keep = CookieKeepList::Parse(keepList)};
    const auto recipe = [](BrowserTrace trace, std::wstring_view file) {
        for (const DatabaseRecipe& r : RecipesFor(BrowserFamily::kChromium, trace)) {
            if (r.file == file && r.folder.empty()) {
                return &r;
            }
        }
        return static_cast<const DatabaseRecipe*>(nullptr);
    };
    const bool ok = Measure("History", folder, shell, folder / "made" / "History", L"History",
                            *recipe(BrowserTrace::kHistory, L"History"), history, HistoryScript(bookmarked)) &&
                    Measure("Cookies", folder, shell, folder / "made" / "Cookies", L"Cookies",
                            *recipe(BrowserTrace::kCookies, L"Cookies"), cookies, CookieScript());
    if (!keep) {
        fs::remove_all(folder);
    }
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace nivaro

int main(int argc, char** argv)
{
    return nivaro::Main(argc, argv);
}
