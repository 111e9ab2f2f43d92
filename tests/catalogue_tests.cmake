# The catalogue of items and the engine under it, on this build's backend: the built-in Windows
# traces on a seeded machine, the user's items file at run time, keep-lists, and the command line's
# reports of the user's items.
if(WIN32)
    set(NIVARO_KNOWN_FOLDERS_FOR_CATALOGUE ${PROJECT_SOURCE_DIR}/platform/win32/tests/win32_known_folders.cpp)
else()
    set(NIVARO_KNOWN_FOLDERS_FOR_CATALOGUE support/substitute_known_folders.cpp)
endif()
add_executable(nivaro_catalogue_conformance catalogue_test.cpp cli_report_test.cpp support/known_folders.cpp
               ${NIVARO_KNOWN_FOLDERS_FOR_CATALOGUE})
target_link_libraries(nivaro_catalogue_conformance PRIVATE nivaro_main nivaro_cli nivaro_json nivaro::backend nivaro_test_support
                      GTest::gtest_main)
gtest_discover_tests(nivaro_catalogue_conformance DISCOVERY_MODE PRE_TEST PROPERTIES RESOURCE_LOCK registry)
