target_sources(nivaro_win32 PRIVATE
    long_path.cpp
    win32_file_system.cpp
    top_level_window_refusal.cpp
    win32_shell.cpp)

# Scratch folders for the tests, on the system's disk.
add_library(nivaro_folder_fixture STATIC
    win32_folder_fixture.cpp
    ${PROJECT_SOURCE_DIR}/platform/shell_folder_value.cpp)
target_link_libraries(nivaro_folder_fixture PUBLIC nivaro_win32)
