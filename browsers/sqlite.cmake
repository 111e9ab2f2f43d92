# SQLite from its official amalgamation, one pinned version for both builds, unpacked into build/
# by scripts/lib.sh (prepare_sqlite); its source is never part of this tree. Deleted content is
# overwritten (secure delete) on every connection unless one turns it off.
set(NIVARO_SQLITE_DIR "${PROJECT_SOURCE_DIR}/build/sqlite-autoconf-3520000" CACHE PATH
    "Where SQLite's amalgamation (sqlite3.c, sqlite3.h, shell.c) is unpacked")
if(NOT EXISTS "${NIVARO_SQLITE_DIR}/sqlite3.c" OR NOT EXISTS "${NIVARO_SQLITE_DIR}/shell.c")
    message(FATAL_ERROR "SQLite's amalgamation is not in ${NIVARO_SQLITE_DIR}. scripts/test and scripts/run "
                        "unpack it there; on its own: bash -c 'source scripts/lib.sh && prepare_sqlite'")
endif()

add_library(nivaro_sqlite STATIC "${NIVARO_SQLITE_DIR}/sqlite3.c")
target_include_directories(nivaro_sqlite SYSTEM PUBLIC "${NIVARO_SQLITE_DIR}")
target_compile_definitions(nivaro_sqlite PUBLIC
    SQLITE_SECURE_DELETE
    SQLITE_DQS=0
    SQLITE_DEFAULT_MEMSTATUS=0
    SQLITE_OMIT_LOAD_EXTENSION
    SQLITE_OMIT_DEPRECATED
    SQLITE_THREADSAFE=1)
if(NOT WIN32)
    find_package(Threads REQUIRED)
    target_link_libraries(nivaro_sqlite PUBLIC Threads::Threads m)
endif()

# The command-line shell from the same amalgamation and the same options: the baseline the
# database benchmarks measure against. Only the benchmarks use it.
if(NIVARO_BENCH)
    add_executable(nivaro_sqlite_shell "${NIVARO_SQLITE_DIR}/shell.c")
    target_link_libraries(nivaro_sqlite_shell PRIVATE nivaro_sqlite)
    # An optimised build of the shell's SHA-1 code draws a false alarm from GCC 12.
    target_compile_options(nivaro_sqlite_shell PRIVATE -Wno-stringop-overread)
    set_target_properties(nivaro_sqlite_shell PROPERTIES OUTPUT_NAME sqlite3)
    if(WIN32)
        # Its entry point is wmain, for the wide command line.
        target_link_options(nivaro_sqlite_shell PRIVATE -municode -static -static-libgcc)
    endif()
endif()
