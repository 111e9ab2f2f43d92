# What the benchmarks measure against, on the API itself, and the driver that probes the real
# program from outside.
add_library(nivaro_win32_bench STATIC
    bench/folder_baselines.cpp
    bench/registry_baselines.cpp
    bench/responsiveness_probe.cpp
    bench/system_command.cpp
    bench/window_item_site.cpp
    tests/program_driver.cpp)
target_link_libraries(nivaro_win32_bench PUBLIC nivaro_window)
