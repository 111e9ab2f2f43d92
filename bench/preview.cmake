# Previewing thousands of the user's items: the engine against the raw API loop over the same
# folders and keys. scripts/bench makes its folders from the Linux side first.
add_executable(nivaro_preview_bench preview_bench.cpp)
target_link_libraries(nivaro_preview_bench PRIVATE nivaro_items nivaro_test_support)
target_link_options(nivaro_preview_bench PRIVATE -municode)
