# FindLeptonica: Leptonica through pkg-config, as the imported target
# Leptonica::Leptonica. CMAKE_DISABLE_FIND_PACKAGE_Leptonica turns it off.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(RKCORR_PC_LEPT QUIET IMPORTED_TARGET lept)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Leptonica REQUIRED_VARS RKCORR_PC_LEPT_LINK_LIBRARIES
  VERSION_VAR RKCORR_PC_LEPT_VERSION)
if(Leptonica_FOUND AND NOT TARGET Leptonica::Leptonica)
  add_library(Leptonica::Leptonica INTERFACE IMPORTED)
  target_link_libraries(Leptonica::Leptonica INTERFACE PkgConfig::RKCORR_PC_LEPT)
endif()
