# The installed CMake package (find_package(tdf) gives tdf::tdf) and the
# pkg-config file, both describing the libraries and headers installed.
include(CMakePackageConfigHelpers)

set(TDF_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tdf)
install(EXPORT tdfTargets NAMESPACE tdf:: DESTINATION ${TDF_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tdfConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/tdfConfig.cmake
  INSTALL_DESTINATION ${TDF_PACKAGE_DIR})
# Versions before 1.0 may break between minor versions, as the SONAME says.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(TDF_COMPATIBILITY SameMinorVersion)
else()
  set(TDF_COMPATIBILITY SameMajorVersion)
endif()
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tdfConfigVersion.cmake
  COMPATIBILITY ${TDF_COMPATIBILITY})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tdfConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/tdfConfigVersion.cmake
  DESTINATION ${TDF_PACKAGE_DIR})

file(RELATIVE_PATH TDF_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tdf.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tdf.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tdf.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
