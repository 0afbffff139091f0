# Installation: the two shared libraries (component "library"), headers, CMake
# package and pkg-config file (component "development"). Installed binaries
# find the libraries beside them through a relative RPATH, so any prefix works
# without LD_LIBRARY_PATH.
include(CMakePackageConfigHelpers)

file(RELATIVE_PATH RKCORR_BIN_TO_LIB /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_LIBDIR})
set(RKCORR_BIN_RPATH "$ORIGIN/${RKCORR_BIN_TO_LIB}")
set_target_properties(ocr-rkcorr ocr-rkcorr-platform PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS ocr-rkcorr ocr-rkcorr-platform EXPORT ocr-rkcorr-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
    NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/rkcorr DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development FILES_MATCHING PATTERN "*.h")
install(EXPORT ocr-rkcorr-targets NAMESPACE ocr-rkcorr::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ocr-rkcorr COMPONENT development)
configure_package_config_file(cmake/ocr-rkcorrConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ocr-rkcorrConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ocr-rkcorr)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ocr-rkcorrConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ocr-rkcorrConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/ocr-rkcorrConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ocr-rkcorr COMPONENT development)
# The .pc file finds its prefix from its own place, so the install relocates.
file(RELATIVE_PATH RKCORR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/ocr-rkcorr.pc.in ${CMAKE_CURRENT_BINARY_DIR}/ocr-rkcorr.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ocr-rkcorr.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
