target_sources(nivaro_win32 PRIVATE
    final_path.cpp
    folder_identity.cpp
    long_path.cpp
    handle_names.cpp
    win32_file_system.cpp
    win32_environment.cpp
    top_level_window_refusal.cpp
    win32_shell.cpp)

