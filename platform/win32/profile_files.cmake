# A browser profile's files by handle, and the identity of a database SQLite holds open.
target_sources(nivaro_win32 PRIVATE win32_profile_files.cpp)
target_link_libraries(nivaro_win32 PUBLIC nivaro_sqlite)
