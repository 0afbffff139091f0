# FindLeptonica: Leptonica through pkg-config, as the imported target
# Leptonica::Leptonica.
include(${CMAKE_CURRENT_LIST_DIR}/PkgConfigPackage.cmake)
rkcorr_pkg_config_package(Leptonica lept)
