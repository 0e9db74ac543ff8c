# Makes the trees the install tests look at, under STAGE:
#   prefix/    `cmake --install BUILD --prefix prefix`
#   packages/  the packages made by cpack: the portable archive, and with DEB=ON the Debian
#              package (with DEB=OFF, as in sanitizer builds, only the archive)
#   unpacked/  the portable archive's contents
#   debian/    the Debian package's contents (dpkg-deb -x)
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/packages ${STAGE}/unpacked)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE}/prefix --config ${CONFIG}
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(generators TGZ)
if(DEB)
    list(APPEND generators DEB)
endif()
get_filename_component(cmake_bin ${CMAKE_COMMAND} DIRECTORY)
execute_process(COMMAND ${cmake_bin}/cpack --config ${BUILD}/CPackConfig.cmake -C ${CONFIG}
        -G "${generators}" -B ${STAGE}/packages
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "cpack failed: ${result}")
endif()

function(one_package pattern out)
    file(GLOB found ${STAGE}/packages/${pattern})
    list(LENGTH found count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "expected one ${pattern} in ${STAGE}/packages, found: ${found}")
    endif()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

one_package(*.tar.gz archive)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xzf ${archive} WORKING_DIRECTORY ${STAGE}/unpacked
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "unpacking ${archive} failed: ${result}")
endif()

if(DEB)
    one_package(*.deb deb)
    execute_process(COMMAND dpkg-deb -x ${deb} ${STAGE}/debian RESULT_VARIABLE result)
    if(result)
        message(FATAL_ERROR "dpkg-deb -x ${deb} failed: ${result}")
    endif()
endif()
