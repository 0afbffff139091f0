# What is built beside the library. Each part is ON, OFF or AUTO (the default:
# built when its dependencies are found). A part set ON whose dependencies are
# missing stops the configure step; the step ends with a summary.
#
#   rkcorr_feature(VAR LABEL DEP...)   settle VAR from the DEPs found
#   rkcorr_feature_summary()           print what is built and what is missing

set(RKCORR_BUILT_PARTS "")
set(RKCORR_SKIPPED_PARTS "")

# Each DEP is "Name" (found when Name_FOUND is true) or "Name=VAR" (found when
# VAR is true). Afterwards VAR is a plain ON/OFF variable.
macro(rkcorr_feature var label)
  set(_missing "")
  foreach(_dep IN ITEMS ${ARGN})
    if(_dep MATCHES "^([^=]+)=(.+)$")
      set(_name ${CMAKE_MATCH_1})
      set(_flag ${CMAKE_MATCH_2})
    else()
      set(_name ${_dep})
      set(_flag ${_dep}_FOUND)
    endif()
    if(NOT ${_flag})
      list(APPEND _missing ${_name})
    endif()
  endforeach()
  string(REPLACE ";" ", " _missing_text "${_missing}")
  string(TOUPPER "${${var}}" _want)
  if(_want STREQUAL "AUTO")
    if(_missing)
      message(STATUS "${label}: skipped, not found: ${_missing_text}")
      list(APPEND RKCORR_SKIPPED_PARTS "${label} (missing ${_missing_text})")
      set(${var} OFF)
    else()
      list(APPEND RKCORR_BUILT_PARTS "${label}")
      set(${var} ON)
    endif()
  elseif(${var})
    if(_missing)
      message(FATAL_ERROR "${var} is ON, but the ${label} cannot be built: not found: "
        "${_missing_text}. Install it (scripts/deps.sh installs everything) or configure "
        "with -D${var}=OFF or AUTO.")
    endif()
    list(APPEND RKCORR_BUILT_PARTS "${label}")
    set(${var} ON)
  else()
    list(APPEND RKCORR_SKIPPED_PARTS "${label} (${var}=OFF)")
    set(${var} OFF)
  endif()
endmacro()

# True when VAR asks for the part (ON or AUTO), so its dependencies are looked for.
macro(rkcorr_wanted out var)
  string(TOUPPER "${${var}}" _want)
  if(_want STREQUAL "AUTO" OR ${var})
    set(${out} ON)
  else()
    set(${out} OFF)
  endif()
endmacro()

function(rkcorr_feature_summary)
  string(REPLACE ";" ", " built "${RKCORR_BUILT_PARTS}")
  string(REPLACE ";" "; " skipped "${RKCORR_SKIPPED_PARTS}")
  if(NOT built)
    set(built "the library only")
  else()
    set(built "the library, ${built}")
  endif()
  message(STATUS "ocr-rkcorr ${PROJECT_VERSION} will build: ${built}")
  if(skipped)
    message(STATUS "not built: ${skipped}")
  endif()
endfunction()
