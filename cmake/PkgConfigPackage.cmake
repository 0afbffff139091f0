# rkcorr_pkg_config_package(<Name> <module>): finds <module> through pkg-config
# and, when found, defines the imported target <Name>::<Name>. A macro, so that
# <Name>_FOUND and <Name>_VERSION land in the calling Find module's scope;
# CMAKE_DISABLE_FIND_PACKAGE_<Name> turns the search off before it gets here.
macro(rkcorr_pkg_config_package name module)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(RKCORR_PC_${name} QUIET IMPORTED_TARGET ${module})
  endif()
  include(FindPackageHandleStandardArgs)
  find_package_handle_standard_args(${name} REQUIRED_VARS RKCORR_PC_${name}_LINK_LIBRARIES
    VERSION_VAR RKCORR_PC_${name}_VERSION)
  if(${name}_FOUND AND NOT TARGET ${name}::${name})
    add_library(${name}::${name} INTERFACE IMPORTED)
    target_link_libraries(${name}::${name} INTERFACE PkgConfig::RKCORR_PC_${name})
  endif()
endmacro()
