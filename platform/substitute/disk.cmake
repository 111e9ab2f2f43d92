target_sources(nivaro_substitute PRIVATE substitute_disk.cpp disk_marks.cpp native_path.cpp)

# Scratch folders for the tests, on the substitute's disk.
add_library(nivaro_folder_fixture STATIC
    substitute_folder_fixture.cpp
    ${PROJECT_SOURCE_DIR}/platform/shell_folder_value.cpp)
target_link_libraries(nivaro_folder_fixture PUBLIC nivaro_substitute)
