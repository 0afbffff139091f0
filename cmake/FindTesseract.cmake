# FindTesseract: Tesseract's C++ API through pkg-config, as the imported target
# Tesseract::Tesseract. CMAKE_DISABLE_FIND_PACKAGE_Tesseract turns it off.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(RKCORR_PC_TESS QUIET IMPORTED_TARGET tesseract)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Tesseract REQUIRED_VARS RKCORR_PC_TESS_LINK_LIBRARIES
  VERSION_VAR RKCORR_PC_TESS_VERSION)
if(Tesseract_FOUND AND NOT TARGET Tesseract::Tesseract)
  add_library(Tesseract::Tesseract INTERFACE IMPORTED)
  target_link_libraries(Tesseract::Tesseract INTERFACE PkgConfig::RKCORR_PC_TESS)
endif()
