# Emptying a key: DeleteAllValues against the raw API loop and against reg.exe.
add_executable(nivaro_registry_bench registry_bench.cpp)
target_link_libraries(nivaro_registry_bench PRIVATE nivaro_registry nivaro_win32_bench)
