# Mini-XML is a dependency, not part of the project: scripts/setup unpacks
# Debian's source package into .cache/, and add_mxml_library builds it as a
# static library for whichever target the including project is configured
# for. Both the Windows build and the native checks (tests/native) include
# this file, so the library they read documents with is the same source
# compiled with the same configuration; the native checks build it with
# their sanitizers and libFuzzer's coverage, so that a fault inside it is
# seen there too.
set(MXML_VERSION 3.3.1)
get_filename_component(MXML_PROJECT_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(MXML_SOURCE_DIR "${MXML_PROJECT_ROOT}/.cache/mxml/mxml-${MXML_VERSION}"
    CACHE PATH "Unpacked Mini-XML source (fetched by scripts/setup)")
if(NOT EXISTS "${MXML_SOURCE_DIR}/mxml.h")
  message(FATAL_ERROR "Mini-XML source not found in ${MXML_SOURCE_DIR}: run scripts/setup first")
endif()

set(MXML_CONFIG_DIR "${CMAKE_BINARY_DIR}/mxml-config")
configure_file("${MXML_PROJECT_ROOT}/cmake/mxml-config.h.in" "${MXML_CONFIG_DIR}/config.h" @ONLY)

# add_mxml_library(NAME [COMPILE_OPTIONS option...])
# A static Mini-XML named NAME. It takes the compile options of the directory
# it is made in (the native checks' sanitizers), plus COMPILE_OPTIONS.
function(add_mxml_library name)
  cmake_parse_arguments(PARSE_ARGV 1 MXML_LIBRARY "" "" "COMPILE_OPTIONS")
  add_library(${name} STATIC
    ${MXML_SOURCE_DIR}/mxml-attr.c    ${MXML_SOURCE_DIR}/mxml-entity.c
    ${MXML_SOURCE_DIR}/mxml-file.c    ${MXML_SOURCE_DIR}/mxml-get.c
    ${MXML_SOURCE_DIR}/mxml-index.c   ${MXML_SOURCE_DIR}/mxml-node.c
    ${MXML_SOURCE_DIR}/mxml-search.c  ${MXML_SOURCE_DIR}/mxml-set.c
    ${MXML_SOURCE_DIR}/mxml-private.c ${MXML_SOURCE_DIR}/mxml-string.c)
  # config.h must be found before anything of the same name in the source tree.
  target_include_directories(${name} BEFORE PRIVATE "${MXML_CONFIG_DIR}")
  target_include_directories(${name} SYSTEM PUBLIC "${MXML_SOURCE_DIR}")
  # Third-party code: its warnings are not ours to fix.
  target_compile_options(${name} PRIVATE -w ${MXML_LIBRARY_COMPILE_OPTIONS})
endfunction()
