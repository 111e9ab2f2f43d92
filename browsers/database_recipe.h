#pragma once
// What cleaning one trace out of one browser database means, written as data: the tables that must
// be there for the file to be understood, and the steps that pick the rows to go. A preview counts
// what each step would take and a clean takes it, both through the same statements, so the preview
// says exactly what the clean does.
//
// A step's conditions never depend on what an earlier step deleted: rows that decide others (the
// pages that go, the pages that stay) are first collected into temporary tables, and later steps
// ask those. So a count taken before any delete is the count the delete then takes.

#include <span>
#include <string_view>

namespace nivaro {

enum class StepKind {
    kCollect,  // fills a temporary table from a SELECT, for the steps after it
    kRemove,   // deletes the rows of `table` that `where` picks (every row for an empty `where`)
    kReset,    // sets `assignments` on the rows `where` picks, keeping the rows themselves
};

// One column set to a value by a reset step; a column the table lacks is left out.
struct Assignment {
    std::string_view column;
    std::string_view value;  // an SQL expression
};

struct RecipeStep {
    StepKind kind = StepKind::kRemove;
    // The table acted on; for kCollect the name of the temporary table it makes.
    std::string_view table;
    // What must be there for the step to run: "table" or "table.column", or with a leading '!'
    // what must not be; none for the table alone. A step whose needs are not met is skipped, with
    // its table named in the outcome.
    std::span<const std::string_view> needs;
    std::string_view where;  // an SQL condition on the table's rows; empty for every row
    // kCollect: the SELECT whose rows fill the temporary table.
    std::string_view select;
    // kRemove: whether the rows that stay are counted for the report (those a keep-list or a
    // bookmark keeps).
    bool countStaying = false;
    std::span<const Assignment> assignments;  // kReset
};

struct DatabaseRecipe {
    std::wstring_view folder;  // the profile's subfolder that holds it; empty for the profile itself
    std::wstring_view file;    // the database's file name in its folder: "History", "places.sqlite"
    // Tables without which the file is not the database this recipe knows: it is left untouched.
    std::span<const std::string_view> essential;
    std::span<const RecipeStep> steps;
    // Whether the steps ask nivaro_cookie_kept(host, partition): the cookie keep-list must be had.
    bool cookieKeepList = false;
    // Whether the steps ask the temporary table kept_pages (the addresses whose rows stay): which
    // pages stay must be known.
    bool keptPagesIn = false;
    // Optional: a SELECT of the page addresses that stay once the steps are done, which the next
    // database of the same trace keeps its rows for (the pages whose icons stay).
    std::string_view keptPages;
};

}  // namespace nivaro
