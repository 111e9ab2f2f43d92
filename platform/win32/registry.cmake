target_sources(nivaro_win32 PRIVATE win32_registry.cpp)
