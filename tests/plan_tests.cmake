# What a preview foretells and a clean then does, on this build's backend.
add_executable(nivaro_plan_conformance item_plan_test.cpp)
target_link_libraries(nivaro_plan_conformance PRIVATE nivaro_items nivaro::backend nivaro_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_plan_conformance DISCOVERY_MODE PRE_TEST PROPERTIES RESOURCE_LOCK registry)

# Whether an item is shown: its detection, in every hive and through wildcards.
add_executable(nivaro_detection_conformance detection_test.cpp support/known_folders.cpp ${NIVARO_KNOWN_FOLDERS})
target_link_libraries(nivaro_detection_conformance PRIVATE nivaro_items nivaro::backend nivaro_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_detection_conformance DISCOVERY_MODE PRE_TEST PROPERTIES RESOURCE_LOCK registry)
