# cmake --install: the libraries as libmarquel*.a, their public headers under
# include/marquel/, the font and logo the player's panels read under share/marquel/ and a
# versioned CMake package, Marquel::marquel bringing the rest along.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MARQUEL_LIBRARIES base xml vx vorlik sound marquel)
foreach(library IN LISTS MARQUEL_LIBRARIES)
    # A shared prefix holds other projects' libxml.a and libsound.a; base is headers only.
    if(NOT library MATCHES "^(base|marquel)$")
        set_target_properties(${library} PROPERTIES OUTPUT_NAME marquel-${library})
    endif()
    # Debug and release builds installed into one prefix keep their own libraries; the
    # exported targets pick the one of the consumer's configuration.
    set_target_properties(${library} PROPERTIES DEBUG_POSTFIX d)
endforeach()

set(MARQUEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Marquel)
install(TARGETS ${MARQUEL_LIBRARIES} EXPORT MarquelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/marquel)
install(EXPORT MarquelTargets NAMESPACE Marquel:: DESTINATION ${MARQUEL_CMAKE_DIR})

# Every demo needs them in its search paths; tools/ makes them as part of the target marquel,
# and the package names their folder as MARQUEL_DATA_DIR.
set(MARQUEL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/marquel)
set(MARQUEL_PLAYER_DATA_DIR ${PROJECT_BINARY_DIR}/share/marquel)
install(FILES ${MARQUEL_PLAYER_DATA_DIR}/marquel.font ${MARQUEL_PLAYER_DATA_DIR}/marquel_logo.png
        DESTINATION ${MARQUEL_DATA_DIR})

configure_package_config_file(cmake/MarquelConfig.cmake.in
    ${PROJECT_BINARY_DIR}/MarquelConfig.cmake INSTALL_DESTINATION ${MARQUEL_CMAKE_DIR}
    PATH_VARS MARQUEL_DATA_DIR)
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/MarquelConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/MarquelConfig.cmake
              ${PROJECT_BINARY_DIR}/MarquelConfigVersion.cmake
              cmake/MarquelDependencies.cmake
        DESTINATION ${MARQUEL_CMAKE_DIR})
