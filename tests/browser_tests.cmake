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
gtest_discover_tests(nivaro_browser_conformance DISCOVERY_MODE PRE_TEST PROPERTIES FIXTURES_REQUIRED test_folders)

# Profile discovery and whole traces, on this build's backend.
add_executable(nivaro_browser_profiles browsers/profile_discovery_test.cpp)
target_link_libraries(nivaro_browser_profiles PRIVATE nivaro_browser_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_browser_profiles DISCOVERY_MODE PRE_TEST PROPERTIES FIXTURES_REQUIRED test_folders)

# The browsers as items of the catalogue, in the user's known folders (the test prefix's own under
# Wine), run through the one engine. The known folders' backend is folder_tests.cmake's.
add_executable(nivaro_browser_items browsers/browser_items_test.cpp support/known_folders.cpp ${NIVARO_KNOWN_FOLDERS})
target_link_libraries(nivaro_browser_items PRIVATE nivaro_main nivaro_browser_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_browser_items DISCOVERY_MODE PRE_TEST PROPERTIES RESOURCE_LOCK registry)

# What the browser layer reads from text: portable logic, native build.
if(NOT WIN32)
    add_executable(nivaro_browser_unit_tests browsers/browser_text_test.cpp)
    target_link_libraries(nivaro_browser_unit_tests PRIVATE nivaro_browsers GTest::gtest_main)
    gtest_discover_tests(nivaro_browser_unit_tests DISCOVERY_MODE PRE_TEST)
endif()

# The links in a profile that no Windows program can make come from make_test_folders.py.
foreach(target nivaro_browser_conformance nivaro_browser_profiles)
    target_compile_definitions(${target} PRIVATE NIVARO_BROWSER_LINKS=L"${NIVARO_TEST_FOLDERS}/browser-links")
endforeach()
