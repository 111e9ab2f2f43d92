#pragma once
// Which databases each trace of each browser family cleans, and how.

#include <span>

#include "browsers/browser_catalog.h"
#include "browsers/database_recipe.h"

namespace nivaro {

// The trace's databases in the order they are worked through: a database whose recipe takes
// kept_pages follows the one that learns them (Firefox's favicons follow its places).
std::span<const DatabaseRecipe> RecipesFor(BrowserFamily family, BrowserTrace trace);

}  // namespace nivaro
