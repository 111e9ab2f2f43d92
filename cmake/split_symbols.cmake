# A shipped program carries no symbols: they go to PROGRAM.debug beside it, which the program names
# in a debug link (with the file's checksum) for a debugger to find. objcopy writes the time into a
# program's header unless SOURCE_DATE_EPOCH says otherwise; 0 is what the linker writes with
# --no-insert-timestamp.
function(nivaro_split_symbols target)
    if(NOT NIVARO_RELEASE)
        return()
    endif()
    set(program $<TARGET_FILE_NAME:${target}>)
    set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${objcopy} --only-keep-debug ${program} ${program}.debug
        COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${program}.debug ${program}
        WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
        VERBATIM)
endfunction()
