# How names compare without regard to case, on this build's backend: the same table natively and
# under Wine.
add_executable(nivaro_name_conformance name_case_test.cpp)
target_link_libraries(nivaro_name_conformance PRIVATE nivaro_items GTest::gtest_main)
gtest_discover_tests(nivaro_name_conformance DISCOVERY_MODE PRE_TEST)
