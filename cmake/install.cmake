# What `cmake --install` puts under the prefix: the console and the command-line programs in
# bin/ with their manual pages, the desktop entry and the icon theme's PNGs
# in share/, the .ico in share/dravik/. The programs are optional so that the rest installs
# while any is still missing.
# On Windows the programs sit side by side at the top of the tree, with the README: one folder
# that runs wherever it is unpacked, the settings file beside dravik.exe.
include(GNUInstallDirs)
include(${PROJECT_SOURCE_DIR}/cmake/man.cmake)
if(WIN32)
    set(dravik_program_dir .)
else()
    set(dravik_program_dir ${CMAKE_INSTALL_BINDIR})
endif()
# Directories made by the install (and so in the packages) are 0755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(TARGET dravik)
    install(TARGETS dravik RUNTIME DESTINATION ${dravik_program_dir})
    dravik_man_page(dravik SOURCE ${PROJECT_SOURCE_DIR}/packaging/dravik.1.in)
endif()

# A command-line program: installed with a manual page made from its --help.
function(dravik_command target description)
    if(TARGET ${target})
        install(TARGETS ${target} RUNTIME DESTINATION ${dravik_program_dir})
        dravik_man_page(${target} NAME "${description}")
    endif()
endfunction()
dravik_command(controller_sim "simulated traffic-light controller for the scale console")
dravik_command(controller_tap "line monitor between the scale console and a traffic-light controller")
dravik_command(controller_check "conformance run of a traffic-light controller of a vehicle scale")

if(UNIX)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/dravik.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size IN LISTS DRAVIK_ICON_SIZES)
        install(FILES ${DRAVIK_ICON_DIR}/dravik_${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME dravik.png)
    endforeach()
    # Windows takes the icon from inside dravik.exe.
    install(FILES ${DRAVIK_ICON_DIR}/dravik.ico DESTINATION ${CMAKE_INSTALL_DATADIR}/dravik)
endif()

# Files that only one package carries, asked for by name in cmake/package.cmake; a plain
# install leaves them out. The portable folder's README sits at its top; the Debian package's
# copyright notice goes where Debian keeps one for every package.
if(WIN32)
    # Windows' editors expect CRLF line breaks.
    configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt
        ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION . COMPONENT portable
        EXCLUDE_FROM_ALL)
else()
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/README.txt DESTINATION .
        COMPONENT portable EXCLUDE_FROM_ALL)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
