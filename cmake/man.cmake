# Manual pages in share/man/man1/, compressed as Debian wants them (gzip -9n: no name or time
# stamp inside). Windows and cross-builds have none.
#   dravik_man_page(<target> "<what it is, for the page's NAME line>")
# makes a command-line program's page at build time from its own --help (help2man), so that
# the page cannot drift from the program: one line per program.
#   dravik_written_man_page(<target> <source.1.in>)
# installs a page written by hand, for the window program, which has no --help.
include(GNUInstallDirs)
if(UNIX AND NOT CMAKE_CROSSCOMPILING)
    find_program(HELP2MAN help2man REQUIRED)  # Debian package help2man
    find_program(GZIP gzip REQUIRED)
endif()

function(dravik_man_page target description)
    if(NOT TARGET ${target} OR NOT UNIX OR CMAKE_CROSSCOMPILING)
        return()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${HELP2MAN} --no-info --version-string=${PROJECT_VERSION}
                --name=${description} --output=${page} $<TARGET_FILE:${target}>
        COMMAND ${GZIP} -9nf ${page}
        DEPENDS ${target}
        COMMENT "Manual page of ${target} from its --help"
        VERBATIM)
    add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

function(dravik_written_man_page target source)
    if(NOT TARGET ${target} OR NOT UNIX OR CMAKE_CROSSCOMPILING)
        return()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
    configure_file(${source} ${page}.in @ONLY)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${page}.in ${page}
        COMMAND ${GZIP} -9nf ${page}
        DEPENDS ${page}.in
        VERBATIM)
    add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
