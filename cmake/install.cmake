# What `cmake --install` puts under the prefix: the program and the simulated controller in
# bin/, the desktop entry and the icon theme's PNGs in share/, the .ico in share/dravik/.
# The programs are optional so that the rest installs while either is still missing.
include(GNUInstallDirs)

foreach(program dravik controller_sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

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

# The portable package's README sits at the top of its folder; a plain install leaves it out
# (cmake/package.cmake asks for this component by name).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/README.txt DESTINATION .
    COMPONENT portable EXCLUDE_FROM_ALL)
