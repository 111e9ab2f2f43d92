# A process's first folder item: learning every protected place against looking up the table's
# dozen and a half.
add_executable(nivaro_protection_bench protection_bench.cpp)
target_link_libraries(nivaro_protection_bench PRIVATE nivaro_items nivaro_win32_bench nivaro_test_support)
target_link_options(nivaro_protection_bench PRIVATE -municode)
