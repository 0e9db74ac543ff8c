# dravik_platform_sources(VAR DIR): the sources in DIR that this build compiles. Portable
# sources are *.cpp; platform parts end in _posix.cpp or _win32.cpp, and the build takes its
# own platform's.
function(dravik_platform_sources var dir)
    file(GLOB portable CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(FILTER portable EXCLUDE REGEX "_(posix|win32)\\.cpp$")
    if(WIN32)
        file(GLOB platform CONFIGURE_DEPENDS ${dir}/*_win32.cpp)
    else()
        file(GLOB platform CONFIGURE_DEPENDS ${dir}/*_posix.cpp)
    endif()
    set(${var} ${portable} ${platform} PARENT_SCOPE)
endfunction()
