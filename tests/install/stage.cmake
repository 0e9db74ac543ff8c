# Makes the trees the install tests look at, under STAGE:
#   prefix/    `cmake --install BUILD --prefix prefix`
#   packages/  the portable package made by cpack, and unpacked/ its contents.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/packages ${STAGE}/unpacked)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE}/prefix --config ${CONFIG}
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

get_filename_component(cmake_bin ${CMAKE_COMMAND} DIRECTORY)
execute_process(COMMAND ${cmake_bin}/cpack --config ${BUILD}/CPackConfig.cmake -C ${CONFIG}
        -B ${STAGE}/packages
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "cpack failed: ${result}")
endif()
file(GLOB archives ${STAGE}/packages/*.tar.gz)
list(LENGTH archives count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${STAGE}/packages, found: ${archives}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xzf ${archives} WORKING_DIRECTORY ${STAGE}/unpacked
    RESULT_VARIABLE result)
if(result)
    message(FATAL_ERROR "unpacking ${archives} failed: ${result}")
endif()
