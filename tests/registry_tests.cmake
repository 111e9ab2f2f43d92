# The registry helpers and the registry list item on this build's backend: the substitute natively,
# the system's registry under Wine.
add_executable(nivaro_registry_conformance registry_conformance_test.cpp)
target_link_libraries(nivaro_registry_conformance PRIVATE nivaro_items nivaro::backend nivaro_substitute_toolkit GTest::gtest_main)
gtest_discover_tests(nivaro_registry_conformance DISCOVERY_MODE PRE_TEST)
