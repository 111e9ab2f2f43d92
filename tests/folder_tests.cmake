# The folder item and the file system and shell under it, on real folders of this build's
# backend: the substitute's disk natively, the test prefix's drive under Wine.
add_executable(nivaro_folder_conformance folder_conformance_test.cpp)
target_link_libraries(nivaro_folder_conformance PRIVATE
    nivaro_items nivaro::backend nivaro_substitute_toolkit nivaro_folder_fixture GTest::gtest_main)
# A shell verb that waits on a dialog would stall the whole run; the time limit turns that into a
# failure. Under Wine the forty thousand files take minutes to make.
gtest_discover_tests(nivaro_folder_conformance DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 1500)
