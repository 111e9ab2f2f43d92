# The registry helpers and the registry list item on this build's backend: the substitute natively,
# the system's registry under Wine.
add_executable(nivaro_registry_conformance registry_conformance_test.cpp)
target_link_libraries(nivaro_registry_conformance PRIVATE nivaro_items nivaro::backend nivaro_substitute_toolkit nivaro_test_support
                      GTest::gtest_main)
gtest_discover_tests(nivaro_registry_conformance DISCOVERY_MODE PRE_TEST)

# Values and keys no Windows program makes through the wide calls: names with a NUL, links,
# keys that refuse value deletes.
if(WIN32)
    set(NIVARO_REGISTRY_FIXTURE ${PROJECT_SOURCE_DIR}/platform/win32/tests/win32_registry_fixture.cpp)
else()
    set(NIVARO_REGISTRY_FIXTURE support/substitute_registry_fixture.cpp)
endif()
add_executable(nivaro_hostile_registry hostile_registry_test.cpp support/registry_fixture.cpp ${NIVARO_REGISTRY_FIXTURE})
target_link_libraries(nivaro_hostile_registry PRIVATE nivaro_cli nivaro::backend nivaro_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_hostile_registry DISCOVERY_MODE PRE_TEST)

# A key removed with everything below it, and the registry exclusions.
add_executable(nivaro_registry_walk registry_walk_test.cpp support/registry_fixture.cpp ${NIVARO_REGISTRY_FIXTURE})
target_link_libraries(nivaro_registry_walk PRIVATE nivaro_items nivaro::backend nivaro_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_registry_walk DISCOVERY_MODE PRE_TEST)
