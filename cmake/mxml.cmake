# Mini-XML is a dependency, not part of the project: scripts/setup unpacks
# Debian's source package into .cache/, and this file builds it as a static
# library for whichever target the project is configured for.
set(MXML_VERSION 3.3.1)
set(MXML_SOURCE_DIR "${CMAKE_SOURCE_DIR}/.cache/mxml/mxml-${MXML_VERSION}"
    CACHE PATH "Unpacked Mini-XML source (fetched by scripts/setup)")
if(NOT EXISTS "${MXML_SOURCE_DIR}/mxml.h")
  message(FATAL_ERROR "Mini-XML source not found in ${MXML_SOURCE_DIR}: run scripts/setup first")
endif()

set(MXML_CONFIG_DIR "${CMAKE_BINARY_DIR}/mxml-config")
configure_file("${CMAKE_SOURCE_DIR}/cmake/mxml-config.h.in" "${MXML_CONFIG_DIR}/config.h" @ONLY)

add_library(mxml STATIC
  ${MXML_SOURCE_DIR}/mxml-attr.c    ${MXML_SOURCE_DIR}/mxml-entity.c
  ${MXML_SOURCE_DIR}/mxml-file.c    ${MXML_SOURCE_DIR}/mxml-get.c
  ${MXML_SOURCE_DIR}/mxml-index.c   ${MXML_SOURCE_DIR}/mxml-node.c
  ${MXML_SOURCE_DIR}/mxml-search.c  ${MXML_SOURCE_DIR}/mxml-set.c
  ${MXML_SOURCE_DIR}/mxml-private.c ${MXML_SOURCE_DIR}/mxml-string.c)
# config.h must be found before anything of the same name in the source tree.
target_include_directories(mxml BEFORE PRIVATE "${MXML_CONFIG_DIR}")
target_include_directories(mxml SYSTEM PUBLIC "${MXML_SOURCE_DIR}")
# Third-party code: its warnings are not ours to fix.
target_compile_options(mxml PRIVATE -w)
