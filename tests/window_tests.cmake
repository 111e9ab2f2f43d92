# The real window, driven from a second program under Wine with a display.
if(WIN32)
    add_executable(nivaro_window_test
        ${PROJECT_SOURCE_DIR}/platform/win32/tests/window_test.cpp
        ${PROJECT_SOURCE_DIR}/platform/win32/tests/program_driver.cpp)
    target_link_libraries(nivaro_window_test PRIVATE nivaro_main nivaro_win32 GTest::gtest_main)
    if(TARGET nivaro)
        add_dependencies(nivaro_window_test nivaro)
    endif()
    gtest_discover_tests(nivaro_window_test DISCOVERY_MODE PRE_TEST PROPERTIES RUN_SERIAL TRUE)
endif()
