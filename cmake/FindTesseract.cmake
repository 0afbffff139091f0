# FindTesseract: Tesseract's C++ API through pkg-config, as the imported target
# Tesseract::Tesseract.
include(${CMAKE_CURRENT_LIST_DIR}/PkgConfigPackage.cmake)
rkcorr_pkg_config_package(Tesseract tesseract)
