# The user's items at the community database's size: reading and detecting a file of its mix, and
# the window of the other items opening with every entry of it.
add_executable(nivaro_items_bench items_bench.cpp items_mix.cpp)
target_link_libraries(nivaro_items_bench PRIVATE nivaro_main nivaro_win32_bench nivaro_test_support)
target_link_options(nivaro_items_bench PRIVATE -municode)
add_dependencies(nivaro_items_bench nivaro)
