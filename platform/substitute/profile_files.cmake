# A browser profile's files by descriptor, and the identity of a database SQLite holds open.
target_sources(nivaro_substitute PRIVATE substitute_profile_files.cpp)
target_link_libraries(nivaro_substitute PUBLIC nivaro_sqlite)
