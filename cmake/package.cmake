# The portable package (cpack in the build folder): one archive that unpacks into a single
# folder dravik-<version>-<system>-<processor>/ holding the installed tree and the README.
# The program keeps dravik.ini beside itself, so the folder goes where the user may write.
set(CPACK_PACKAGE_NAME dravik)
set(CPACK_PACKAGE_VENDOR dravik)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Эмулятор весов: test console for the traffic-light controller of a vehicle scale")
set(CPACK_PACKAGE_FILE_NAME
    "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
# The plain install and, by name, the README that the plain install leaves out.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};portable;/")
include(CPack)
