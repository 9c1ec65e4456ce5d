# Install rules: headers, the library, a CMake package (find_package(gtikit) gives
# gtikit::gtikit) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/gti DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS gtikit EXPORT gtikitTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT gtikitTargets NAMESPACE gtikit:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/gtikit)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/gtikitConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/gtikitConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/gtikit)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/gtikitConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/gtikitConfig.cmake ${PROJECT_BINARY_DIR}/gtikitConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/gtikit)

# The prefix is found from the file's own place, so the installed tree can be moved.
file(RELATIVE_PATH GTI_PC_UP "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/gtikit.pc.in ${PROJECT_BINARY_DIR}/gtikit.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/gtikit.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The user documentation and the examples.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ ${PROJECT_SOURCE_DIR}/examples DESTINATION ${CMAKE_INSTALL_DOCDIR})
