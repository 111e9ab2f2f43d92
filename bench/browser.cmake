# Cleaning a History and a Cookies database: the item's clean and preview against the same deletes
# run plainly by the SQLite shell of the same amalgamation, which is copied beside the benchmark.
# The databases are made from the tests' schemas.
add_executable(nivaro_browser_bench browser_bench.cpp ${PROJECT_SOURCE_DIR}/tests/browsers/browser_databases.cpp)
target_link_libraries(nivaro_browser_bench PRIVATE nivaro_browsers nivaro::backend)
add_dependencies(nivaro_browser_bench nivaro_sqlite_shell)
add_custom_command(TARGET nivaro_browser_bench POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:nivaro_sqlite_shell> $<TARGET_FILE_DIR:nivaro_browser_bench>)
