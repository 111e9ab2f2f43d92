# The browsers' databases and profiles on this build's backend: databases the tests make from each
# browser's schema, in scratch folders of the substitute's disk natively and of the test prefix's
# drive under Wine.
if(WIN32)
    set(NIVARO_FILE_HOLD ${PROJECT_SOURCE_DIR}/platform/win32/tests/win32_file_hold.cpp)
else()
    set(NIVARO_FILE_HOLD browsers/substitute_file_hold.cpp)
endif()
add_library(nivaro_browser_test_support STATIC browsers/browser_databases.cpp ${NIVARO_FILE_HOLD})
target_link_libraries(nivaro_browser_test_support PUBLIC nivaro_browsers nivaro_test_support)

add_executable(nivaro_browser_conformance browsers/database_cleaner_test.cpp)
target_link_libraries(nivaro_browser_conformance PRIVATE nivaro_browser_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_browser_conformance DISCOVERY_MODE PRE_TEST PROPERTIES FIXTURES_REQUIRED browser_links)

# Profile discovery and whole traces, on this build's backend.
add_executable(nivaro_browser_profiles browsers/profile_discovery_test.cpp)
target_link_libraries(nivaro_browser_profiles PRIVATE nivaro_browser_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_browser_profiles DISCOVERY_MODE PRE_TEST PROPERTIES FIXTURES_REQUIRED browser_links)

# What the browser layer reads from text: portable logic, native build.
if(NOT WIN32)
    add_executable(nivaro_browser_unit_tests browsers/browser_text_test.cpp)
    target_link_libraries(nivaro_browser_unit_tests PRIVATE nivaro_browsers GTest::gtest_main)
    gtest_discover_tests(nivaro_browser_unit_tests DISCOVERY_MODE PRE_TEST)
endif()

# Links in a profile, made from the Linux side before the tests that need them (no Windows program
# can make a Unix link), and removed afterwards.
if(WIN32)
    set(NIVARO_BROWSER_LINKS_DIR ${NIVARO_WINEPREFIX}/drive_c/nivaro-browser-links)
    set(NIVARO_BROWSER_LINKS C:/nivaro-browser-links)
else()
    set(NIVARO_BROWSER_LINKS_DIR ${CMAKE_BINARY_DIR}/browser-links)
    set(NIVARO_BROWSER_LINKS ${NIVARO_BROWSER_LINKS_DIR})
endif()
set(NIVARO_BROWSER_LINKS_SCRIPT ${PROJECT_SOURCE_DIR}/tests/fixtures/make_browser_links.py)
add_test(NAME BrowserLinks.Make COMMAND python3 ${NIVARO_BROWSER_LINKS_SCRIPT} ${NIVARO_BROWSER_LINKS_DIR})
add_test(NAME BrowserLinks.Remove COMMAND python3 ${NIVARO_BROWSER_LINKS_SCRIPT} --remove ${NIVARO_BROWSER_LINKS_DIR})
set_tests_properties(BrowserLinks.Make PROPERTIES FIXTURES_SETUP browser_links)
set_tests_properties(BrowserLinks.Remove PROPERTIES FIXTURES_CLEANUP browser_links)
foreach(target nivaro_browser_conformance nivaro_browser_profiles)
    target_compile_definitions(${target} PRIVATE NIVARO_BROWSER_LINKS=L"${NIVARO_BROWSER_LINKS}")
endforeach()
