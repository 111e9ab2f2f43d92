#pragma once
// What the window of the other items says in its cells, its box and its question, worked out
// from the previews and the cleans.

#include <cstddef>
#include <string>
#include <vector>

#include "items/item_definition.h"
#include "items/item_plan.h"
#include "main/item_preview.h"
#include "main/preview_worker.h"

namespace nivaro {

// A row's "Would remove now": the counts only, on one line; the box lists the names.
std::wstring WouldRemoveText(const PreviewWorker::Outcome& outcome, const CountFormat& count);

// A row's "Last clean": what went, what stayed, and why a part of the item could not run.
std::wstring CleanedText(const ItemPlan& plan, std::size_t removed, const CountFormat& count);

// The question asked before a clean of these items: the main window's, and after it each warning
// the items' authors wrote, with the item it belongs to.
std::wstring CleanQuestion(const std::vector<const ItemDefinition*>& items);

}  // namespace nivaro
