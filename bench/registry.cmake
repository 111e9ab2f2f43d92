# Emptying a key: the list item and DeleteAllValues against the raw API loop and against reg.exe.
add_executable(nivaro_registry_bench registry_bench.cpp)
target_link_libraries(nivaro_registry_bench PRIVATE nivaro_items nivaro_win32_bench)
