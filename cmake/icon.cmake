# The application icon. tools/icon draws it at build time into ${DRAVIK_ICON_DIR}: dravik.ico
# for Windows and one PNG per size for the desktop's icon theme and the window.
set(DRAVIK_ICON_DIR ${PROJECT_BINARY_DIR}/icon)
set(DRAVIK_ICON_SIZES 16 24 32 48 256)
# The window carries only the small images: the X server gets every image the window offers, and
# a 256-pixel one would cost the start a decode, a conversion and a quarter-megabyte property.
# Launchers and task switchers take the large images from the installed icon theme.
set(DRAVIK_WINDOW_ICON_SIZES 16 24 32 48)
# The generator draws with Qt: a build with no Qt at all (a cross-build) has no icon.
if(NOT TARGET icon_generator)
    return()
endif()

set(icon_files ${DRAVIK_ICON_DIR}/dravik.ico)
foreach(size IN LISTS DRAVIK_ICON_SIZES)
    list(APPEND icon_files ${DRAVIK_ICON_DIR}/dravik_${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
    COMMAND icon_generator ${DRAVIK_ICON_DIR}
    DEPENDS icon_generator
    COMMENT "Drawing the application icon"
    VERBATIM)
add_custom_target(dravik_icon ALL DEPENDS ${icon_files})

if(DRAVIK_WITH_QT)
    # The window's PNGs as the Qt resource that AppIcon() reads (":/icons/dravik_<n>.png"). An object
    # library keeps rcc's rule in this directory and links into the program and its tests.
    set(icon_qrc_entries "")
    foreach(size IN LISTS DRAVIK_WINDOW_ICON_SIZES)
        string(APPEND icon_qrc_entries "    <file>dravik_${size}.png</file>\n")
    endforeach()
    file(CONFIGURE OUTPUT ${DRAVIK_ICON_DIR}/dravik_icon.qrc CONTENT
        "<RCC>\n  <qresource prefix=\"/icons\">\n${icon_qrc_entries}  </qresource>\n</RCC>\n")
    add_custom_command(OUTPUT ${DRAVIK_ICON_DIR}/dravik_icon_rc.cpp
        COMMAND Qt6::rcc --name dravik_icon --output ${DRAVIK_ICON_DIR}/dravik_icon_rc.cpp
                ${DRAVIK_ICON_DIR}/dravik_icon.qrc
        DEPENDS ${icon_files} ${DRAVIK_ICON_DIR}/dravik_icon.qrc
        COMMENT "Packing the application icon into a Qt resource"
        VERBATIM)
    add_library(dravik_icon_resource OBJECT ${DRAVIK_ICON_DIR}/dravik_icon_rc.cpp)
    target_link_libraries(dravik_icon_resource PUBLIC Qt6::Core)
    set_target_properties(dravik_icon_resource PROPERTIES AUTOMOC OFF)
    if(TARGET dravik)
        target_link_libraries(dravik PRIVATE dravik_icon_resource)
    endif()
endif()

# Windows takes the program's icon from a resource script compiled into the executable.
if(WIN32 AND TARGET dravik)
    enable_language(RC)
    file(CONFIGURE OUTPUT ${DRAVIK_ICON_DIR}/dravik.rc CONTENT
        "IDI_ICON1 ICON \"${DRAVIK_ICON_DIR}/dravik.ico\"\n")
    target_sources(dravik PRIVATE ${DRAVIK_ICON_DIR}/dravik.rc)
    set_source_files_properties(${DRAVIK_ICON_DIR}/dravik.rc TARGET_DIRECTORY dravik
        PROPERTIES OBJECT_DEPENDS ${DRAVIK_ICON_DIR}/dravik.ico)
    add_dependencies(dravik dravik_icon)
endif()
