# The folder item and the file system and shell under it, on real folders of this build's
# backend: the substitute's disk natively, the test prefix's drive under Wine.
add_executable(nivaro_folder_conformance folder_conformance_test.cpp)
target_link_libraries(nivaro_folder_conformance PRIVATE
    nivaro_items nivaro::backend nivaro_substitute_toolkit nivaro_test_support GTest::gtest_main)
# A shell verb that waits on a dialog would stall the whole run; the time limit turns that into a
# failure.
gtest_discover_tests(nivaro_folder_conformance DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 600
                     FIXTURES_REQUIRED test_folders)

# Folders no Windows program can make (names with a backslash or a trailing dot, Unix links,
# pipes) or makes only slowly under Wine (many files), made from the Linux side before the tests
# that need them, and removed afterwards.
if(WIN32)
    set(NIVARO_TEST_FOLDERS_DIR ${NIVARO_WINEPREFIX}/drive_c/nivaro-test-folders)
    set(NIVARO_TEST_FOLDERS C:/nivaro-test-folders)
else()
    set(NIVARO_TEST_FOLDERS_DIR ${CMAKE_BINARY_DIR}/test-folders)
    set(NIVARO_TEST_FOLDERS ${NIVARO_TEST_FOLDERS_DIR})
endif()
set(NIVARO_TEST_FOLDERS_SCRIPT ${PROJECT_SOURCE_DIR}/tests/fixtures/make_test_folders.py)
add_test(NAME TestFolders.Make COMMAND python3 ${NIVARO_TEST_FOLDERS_SCRIPT} ${NIVARO_TEST_FOLDERS_DIR})
add_test(NAME TestFolders.Remove COMMAND python3 ${NIVARO_TEST_FOLDERS_SCRIPT} --remove ${NIVARO_TEST_FOLDERS_DIR})
set_tests_properties(TestFolders.Make PROPERTIES FIXTURES_SETUP test_folders)
set_tests_properties(TestFolders.Remove PROPERTIES FIXTURES_CLEANUP test_folders)

target_compile_definitions(nivaro_folder_conformance PRIVATE NIVARO_TEST_FOLDERS=L"${NIVARO_TEST_FOLDERS}")

add_executable(nivaro_hostile_conformance hostile_folder_test.cpp)
target_compile_definitions(nivaro_hostile_conformance PRIVATE NIVARO_TEST_FOLDERS=L"${NIVARO_TEST_FOLDERS}")
target_link_libraries(nivaro_hostile_conformance PRIVATE nivaro_items nivaro::backend nivaro_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_hostile_conformance DISCOVERY_MODE PRE_TEST PROPERTIES FIXTURES_REQUIRED test_folders)

# The protected places, among the system's known folders.
if(WIN32)
    set(NIVARO_KNOWN_FOLDERS ${PROJECT_SOURCE_DIR}/platform/win32/tests/win32_known_folders.cpp)
else()
    set(NIVARO_KNOWN_FOLDERS support/substitute_known_folders.cpp)
endif()
add_executable(nivaro_protected_folders protected_folder_test.cpp support/known_folders.cpp ${NIVARO_KNOWN_FOLDERS})
target_link_libraries(nivaro_protected_folders PRIVATE
    nivaro_items nivaro::backend nivaro_substitute_toolkit nivaro_test_support GTest::gtest_main)
if(WIN32)
    # A second drive, N:, for the rule that every drive root is protected: a folder of the prefix's
    # own (not under C:) given its letter the way Wine keeps drives, as a link in dosdevices.
    set(NIVARO_TEST_DRIVE_DIR ${NIVARO_WINEPREFIX}/nivaro-test-drive)
    set(NIVARO_TEST_DRIVE_LINK ${NIVARO_WINEPREFIX}/dosdevices/n:)
    add_test(NAME TestDrive.Make COMMAND sh -c "mkdir -p '${NIVARO_TEST_DRIVE_DIR}' && ln -sfn '${NIVARO_TEST_DRIVE_DIR}' '${NIVARO_TEST_DRIVE_LINK}'")
    add_test(NAME TestDrive.Remove COMMAND sh -c "rm -f '${NIVARO_TEST_DRIVE_LINK}' && rm -rf '${NIVARO_TEST_DRIVE_DIR}'")
    set_tests_properties(TestDrive.Make PROPERTIES FIXTURES_SETUP test_drive)
    set_tests_properties(TestDrive.Remove PROPERTIES FIXTURES_CLEANUP test_drive)
    set(NIVARO_PROTECTED_FIXTURES test_drive)
endif()
gtest_discover_tests(nivaro_protected_folders DISCOVERY_MODE PRE_TEST PROPERTIES RESOURCE_LOCK registry
                     FIXTURES_REQUIRED "${NIVARO_PROTECTED_FIXTURES}")

# Folder targets beyond one folder's entries: wildcards, recursion, removing emptied folders,
# exclusions, and what a clean says of each entry.
add_executable(nivaro_walk_conformance folder_walk_test.cpp support/known_folders.cpp ${NIVARO_KNOWN_FOLDERS})
target_link_libraries(nivaro_walk_conformance PRIVATE nivaro_items nivaro::backend nivaro_test_support GTest::gtest_main)
gtest_discover_tests(nivaro_walk_conformance DISCOVERY_MODE PRE_TEST PROPERTIES RESOURCE_LOCK registry TIMEOUT 900)
