target_sources(nivaro_substitute PRIVATE substitute_disk.cpp substitute_environment.cpp disk_marks.cpp native_path.cpp)

