# `cmake --install`: the shared libraries of the front end (the name
# resolver and what it stands on, the parser), their headers, korvex-nr, a
# CMake package (find_package(KorvexNR) gives KorvexNR::korvex_nr) and a
# pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Headers keep their paths from the repository root, below include/korvex.
set(KORVEX_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/korvex)
set(KORVEX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/KorvexNR)
set(korvex_installed_libraries korvex_foundation korvex_langutil korvex_feutil korvex_astapi
    korvex_import korvex_parser korvex_nr)

foreach(library ${korvex_installed_libraries})
  target_include_directories(${library} INTERFACE
                             $<INSTALL_INTERFACE:${KORVEX_INSTALL_INCLUDEDIR}>)
  set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
endforeach()
# The headers are C++20 and use Boost's.
target_compile_features(korvex_foundation INTERFACE cxx_std_20)
set_target_properties(korvex-nr PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS ${korvex_installed_libraries} EXPORT KorvexNRTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS korvex-nr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The exported headers of the resolver and every header they reach.
install(DIRECTORY foundation DESTINATION ${KORVEX_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.hpp" PATTERN "*.def")
install(DIRECTORY front_end/langutil front_end/util front_end/astapi front_end/import
                  front_end/parser
        DESTINATION ${KORVEX_INSTALL_INCLUDEDIR}/front_end
        FILES_MATCHING PATTERN "*.hpp" PATTERN "*.def")
install(DIRECTORY front_end/name_resolution/include
        DESTINATION ${KORVEX_INSTALL_INCLUDEDIR}/front_end/name_resolution
        FILES_MATCHING PATTERN "*.hpp")

install(EXPORT KorvexNRTargets NAMESPACE KorvexNR:: DESTINATION ${KORVEX_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/KorvexNRConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/KorvexNRConfig.cmake
                              INSTALL_DESTINATION ${KORVEX_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KorvexNRConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KorvexNRConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/KorvexNRConfigVersion.cmake
        DESTINATION ${KORVEX_INSTALL_CMAKEDIR})

# The prefix is found from the file's own place, so `--prefix` at install
# time is honoured.
file(RELATIVE_PATH KORVEX_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/korvex-nr.pc.in ${CMAKE_CURRENT_BINARY_DIR}/korvex-nr.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/korvex-nr.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
