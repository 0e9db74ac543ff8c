# What `cmake --install` puts under the prefix: the console and the command-line programs in
# bin/ with their manual pages, the desktop entry and the icon theme's PNGs
# in share/, the .ico in share/dravik/. The programs are optional so that the rest installs
# while any is still missing.
include(GNUInstallDirs)
include(${PROJECT_SOURCE_DIR}/cmake/man.cmake)
# Directories made by the install (and so in the packages) are 0755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(TARGET dravik)
    install(TARGETS dravik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    dravik_man_page(dravik SOURCE ${PROJECT_SOURCE_DIR}/packaging/dravik.1.in)
endif()

# A command-line program: installed with a manual page made from its --help.
function(dravik_command target description)
    if(TARGET ${target})
        install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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
endif()
install(FILES ${DRAVIK_ICON_DIR}/dravik.ico DESTINATION ${CMAKE_INSTALL_DATADIR}/dravik)

# Files that only one package carries, asked for by name in cmake/package.cmake; a plain
# install leaves them out. The portable folder's README sits at its top; the Debian package's
# copyright notice goes where Debian keeps one for every package.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/README.txt DESTINATION .
    COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
