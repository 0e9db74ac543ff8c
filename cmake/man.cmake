# Manual pages in share/man/man1/, compressed as Debian wants them (gzip -9n: no name or time
# stamp inside). Windows and cross-builds have none. One line per program:
#   dravik_man_page(<target> NAME "<what it is>")   a command-line program's page, made at
#       build time from its own --help (help2man), so that it cannot drift from the program;
#   dravik_man_page(<target> SOURCE <page.1.in>)     a page written by hand, for the window
#       program, which has no --help (@PROJECT_VERSION@ is filled in).
# With DRAVIK_MAN_PAGES off (a build only to run the programs) the help2man pages are left out.
include(GNUInstallDirs)
if(UNIX AND NOT CMAKE_CROSSCOMPILING)
    if(DRAVIK_MAN_PAGES)
        find_program(HELP2MAN help2man REQUIRED)  # Debian package help2man
    endif()
    find_program(GZIP gzip REQUIRED)
endif()

function(dravik_man_page target)
    if(NOT TARGET ${target} OR NOT UNIX OR CMAKE_CROSSCOMPILING)
        return()
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME;SOURCE" "")
    if(NOT arg_SOURCE AND NOT DRAVIK_MAN_PAGES)
        return()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
    if(arg_SOURCE)
        configure_file(${arg_SOURCE} ${page}.in @ONLY)
        set(make_page ${CMAKE_COMMAND} -E copy ${page}.in ${page})
        set(page_from ${page}.in)
    else()
        set(make_page ${HELP2MAN} --no-info --version-string=${PROJECT_VERSION}
            --name=${arg_NAME} --output=${page} $<TARGET_FILE:${target}>)
        set(page_from ${target})
    endif()
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${make_page}
        COMMAND ${GZIP} -9nf ${page}
        DEPENDS ${page_from}
        COMMENT "Manual page of ${target}"
        VERBATIM)
    add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
