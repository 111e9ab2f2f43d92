# The window toolkit on Win32 and the program itself.
add_library(nivaro_window STATIC item_panel.cpp main_window.cpp message_pump.cpp)
target_link_libraries(nivaro_window PUBLIC nivaro_main nivaro_win32)

add_executable(nivaro WIN32 app_main.cpp ${PROJECT_SOURCE_DIR}/assets/nivaro.rc)
target_include_directories(nivaro PRIVATE ${PROJECT_SOURCE_DIR}/assets)
target_link_libraries(nivaro PRIVATE nivaro_window)
target_link_options(nivaro PRIVATE -municode)
# The window of the other items, opened from the main window's system menu.
target_sources(nivaro_window PRIVATE items_window.cpp)
