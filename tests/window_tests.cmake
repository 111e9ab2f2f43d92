# The real programs, driven from outside under Wine with a display: the window from a second
# program, the command line as a script would run it.
if(WIN32)
    add_library(nivaro_layout_traces STATIC support/layout_traces.cpp)
    target_link_libraries(nivaro_layout_traces PUBLIC nivaro_main nivaro_test_support GTest::gtest)

    add_executable(nivaro_window_test
        ${PROJECT_SOURCE_DIR}/ui/win32/tests/window_test.cpp
        ${PROJECT_SOURCE_DIR}/ui/win32/tests/program_driver.cpp)
    target_link_libraries(nivaro_window_test PRIVATE nivaro_layout_traces nivaro_win32 oleacc GTest::gtest_main)
    target_compile_definitions(nivaro_window_test PRIVATE NIVARO_TEST_FOLDERS=L"${NIVARO_TEST_FOLDERS}")
    add_dependencies(nivaro_window_test nivaro)
    gtest_discover_tests(nivaro_window_test DISCOVERY_MODE PRE_TEST PROPERTIES RUN_SERIAL TRUE
                         FIXTURES_REQUIRED test_folders)

    add_executable(nivaro_cli_test ${PROJECT_SOURCE_DIR}/ui/win32/tests/cli_test.cpp)
    target_link_libraries(nivaro_cli_test PRIVATE nivaro_layout_traces nivaro_browser_test_support nivaro_win32 nivaro_json version
                          GTest::gtest_main)
    add_dependencies(nivaro_cli_test nivaro-cli nivaro)
    gtest_discover_tests(nivaro_cli_test DISCOVERY_MODE PRE_TEST PROPERTIES RUN_SERIAL TRUE)
endif()

# The window of the other items, opened from the running program's main window.
if(WIN32)
    add_executable(nivaro_items_window_test
        ${PROJECT_SOURCE_DIR}/ui/win32/tests/items_window_test.cpp
        ${PROJECT_SOURCE_DIR}/ui/win32/tests/program_driver.cpp)
    target_link_libraries(nivaro_items_window_test PRIVATE nivaro_main nivaro_win32 nivaro_test_support GTest::gtest_main)
    add_dependencies(nivaro_items_window_test nivaro)
    gtest_discover_tests(nivaro_items_window_test DISCOVERY_MODE PRE_TEST PROPERTIES RUN_SERIAL TRUE)
endif()
