# What the benchmarks measure against, on the API itself.
add_library(nivaro_win32_bench STATIC
    bench/folder_baselines.cpp
    bench/registry_baselines.cpp
    bench/system_command.cpp
    bench/window_item_site.cpp)
target_link_libraries(nivaro_win32_bench PUBLIC nivaro_window)
