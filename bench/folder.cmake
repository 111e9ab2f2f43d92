# Emptying a folder: the folder item against a raw find-and-delete loop, cmd's del and re-reading
# the shell's list on every pass. scripts/bench makes its folders from the Linux side first.
add_executable(nivaro_folder_bench folder_bench.cpp)
target_link_libraries(nivaro_folder_bench PRIVATE nivaro_items nivaro_win32_bench nivaro_test_support)
target_link_options(nivaro_folder_bench PRIVATE -municode)
