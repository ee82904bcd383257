# cJSON is a dependency, not part of the project: scripts/setup unpacks
# Debian's source package into .cache/, and add_cjson_library builds it as a
# static library. A function, so that another build of the same source (the
# native one, with the sanitizers in its flags) names its own target and
# options; this file includes nothing of the project that includes it.
set(CJSON_VERSION 1.7.15)
get_filename_component(_cjson_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CJSON_SOURCE_DIR "${_cjson_root}/.cache/cjson/cjson-${CJSON_VERSION}"
    CACHE PATH "Unpacked cJSON source (fetched by scripts/setup)")
if(NOT EXISTS "${CJSON_SOURCE_DIR}/cJSON.c")
  message(FATAL_ERROR "cJSON source not found in ${CJSON_SOURCE_DIR}: run scripts/setup first")
endif()

# add_cjson_library(TARGET [COMPILE_OPTIONS...]): the library cJSON.c, its
# header found as <cJSON.h> by whoever links it.
function(add_cjson_library target)
  add_library(${target} STATIC "${CJSON_SOURCE_DIR}/cJSON.c")
  target_include_directories(${target} SYSTEM PUBLIC "${CJSON_SOURCE_DIR}")
  # Linked statically: without this cJSON marks its functions dllexport, and
  # every exe that links it would export them.
  target_compile_definitions(${target} PUBLIC CJSON_HIDE_SYMBOLS)
  # Third-party code: its warnings are not ours to fix.
  target_compile_options(${target} PRIVATE -w ${ARGN})
endfunction()
