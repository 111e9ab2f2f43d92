# Whether the window keeps answering while it opens its tips, cleans and closes: the real program
# driven from outside. scripts/bench makes its folders from the Linux side first.
add_executable(nivaro_responsiveness_bench responsiveness_bench.cpp)
target_link_libraries(nivaro_responsiveness_bench PRIVATE nivaro_win32_bench nivaro_test_support)
target_link_options(nivaro_responsiveness_bench PRIVATE -municode)
add_dependencies(nivaro_responsiveness_bench nivaro)
