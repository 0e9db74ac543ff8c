# The packages (cpack in the build folder):
# - the portable package: one archive that unpacks into a single folder
#   dravik-<version>-<system>-<processor>/ (dravik-<version>-win64/ on Windows) holding the
#   installed tree and the README; the console keeps dravik.ini beside itself there, so the
#   folder goes where the user may write;
# - on Linux, the Debian package dravik_<version>_<arch>.deb, installing under /usr; the
#   console then keeps its settings in the user's configuration folder.
set(CPACK_PACKAGE_NAME dravik)
set(CPACK_PACKAGE_VENDOR dravik)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Эмулятор весов: test console for the traffic-light controller of a vehicle scale")
set(CPACK_PACKAGE_FILE_NAME
    "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
if(WIN32)
    # The download's name as Windows users know it.
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64")
    set(CPACK_GENERATOR ZIP)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(CPACK_GENERATOR TGZ DEB)
else()
    set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
# The plain install and, by name, the file that only this package carries.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};portable;/")
set(CPACK_DRAVIK_DEBIAN_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")

# The Debian package's control fields. Its library dependencies come from the binaries
# (dpkg-shlibdeps); the window's font is recommended, as the console draws without it too.
set(DRAVIK_MAINTAINER "dravik maintainers <maintainers@users.noreply.c-seed-7bf73eca.example>"
    CACHE STRING "The Debian package's Maintainer field")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DRAVIK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation2)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "An operator's console that drives the traffic-light controller of a
vehicle scale over a serial port: it switches the entry and exit lights,
reads and writes the controller's address, timeout and line speed,
provokes its error handling with faulty traffic, and shows every reply
decoded (dravik). Three command-line programs come with it:
controller_sim, a simulated controller on a pseudo-terminal, lets the
console be tried without a controller; controller_tap sits between the
console and a real controller and prints every frame both ways, decoded;
controller_check runs a controller through its commands and faults and
keeps the record, for the service engineer's file.")

# cpack reads this file once per generator: the Debian package installs under /usr, from
# the plain install plus its own files, and has no top folder.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackGenerators.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} [[
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_DRAVIK_DEBIAN_PROJECTS}")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
]])
include(CPack)
