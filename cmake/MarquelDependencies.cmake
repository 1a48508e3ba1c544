# The system libraries that Marquel's static libraries link with. The build finds them here, and
# so does every project that uses the installed package: a static library carries no record of
# where its dependencies were found. Nothing here stops the configuration: what is missing is
# listed in MARQUEL_MISSING_DEPENDENCIES, so that the build can stop with a message and an
# optional find_package(Marquel) can report the package as not found.
set(MARQUEL_MISSING_DEPENDENCIES "")
foreach(package PkgConfig SDL OpenGL PNG JPEG ZLIB Threads)
    find_package(${package} QUIET)
    if(NOT ${package}_FOUND)
        list(APPEND MARQUEL_MISSING_DEPENDENCIES ${package})
    endif()
endforeach()
if(NOT TARGET OpenGL::GLU)
    list(APPEND MARQUEL_MISSING_DEPENDENCIES GLU)
endif()

# pkg-config modules as PREFIX followed by the modules its imported target brings.
macro(marquel_find_modules prefix)
    if(PkgConfig_FOUND)
        pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${ARGN})
    endif()
    if(NOT ${prefix}_FOUND)
        list(APPEND MARQUEL_MISSING_DEPENDENCIES ${ARGN})
    endif()
endmacro()
marquel_find_modules(MINIZIP minizip)
marquel_find_modules(SNDFILE sndfile)
marquel_find_modules(MPG123 libmpg123)
marquel_find_modules(OPENMPT libopenmpt)
marquel_find_modules(EPOXY epoxy)
marquel_find_modules(FFTW fftw3f)
marquel_find_modules(FFMPEG libavcodec libavformat libswscale libavutil libswresample)
