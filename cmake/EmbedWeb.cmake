# Builds the browser board's files under web/ into the executable as
# generated/web_assets.hpp, so `pentad serve` needs nothing beside itself.
#
# Included from the top-level CMakeLists.txt, it sets up the build rule; run
# with `cmake -DWEB_DIR=... -DOUTPUT=... -P EmbedWeb.cmake`, it writes the
# header.

if(CMAKE_SCRIPT_MODE_FILE)
  file(GLOB_RECURSE web_files RELATIVE "${WEB_DIR}" "${WEB_DIR}/*")
  list(FILTER web_files EXCLUDE REGEX "(^|/)\\.|~$|\\.swp$")
  list(SORT web_files)
  set(arrays "")
  set(entries "")
  set(index 0)
  foreach(name IN LISTS web_files)
    file(READ "${WEB_DIR}/${name}" hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    # 32 bytes a line, each byte as a \xNN escape inside adjacent literals.
    string(REPEAT "[0-9a-f]" 64 line_of_hex)
    string(REGEX REPLACE "(${line_of_hex})"
           "\\1\"\n    \"" hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
    string(APPEND arrays
      "// ${name}\ninline constexpr char kAsset${index}[] =\n    \"${escaped}\";\n\n")
    string(APPEND entries
      "    {\"/${name}\", std::string_view(kAsset${index}, ${size})},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  set(header "// Generated from web/ by cmake/EmbedWeb.cmake. Do not edit.
#pragma once

#include <string_view>

namespace pentad::serve::web {

struct Asset {
  std::string_view path;  // as requested, with a leading slash
  std::string_view bytes;
};

${arrays}inline constexpr Asset kAssets[] = {
${entries}};

}  // namespace pentad::serve::web
")
  file(WRITE "${OUTPUT}.new" "${header}")
  file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT}.new")
  return()
endif()

file(GLOB_RECURSE PENTAD_WEB_FILES CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/web/*")
set(PENTAD_WEB_HEADER "${CMAKE_CURRENT_BINARY_DIR}/generated/serve/web_assets.hpp")
# Changes only when a file is added or removed, so a removal rebuilds too.
set(PENTAD_WEB_LIST "${CMAKE_CURRENT_BINARY_DIR}/generated/serve/web_files.txt")
file(CONFIGURE OUTPUT "${PENTAD_WEB_LIST}" CONTENT "${PENTAD_WEB_FILES}")
add_custom_command(
  OUTPUT "${PENTAD_WEB_HEADER}"
  COMMAND "${CMAKE_COMMAND}" "-DWEB_DIR=${CMAKE_CURRENT_SOURCE_DIR}/web"
          "-DOUTPUT=${PENTAD_WEB_HEADER}" -P "${CMAKE_CURRENT_LIST_FILE}"
  DEPENDS ${PENTAD_WEB_FILES} "${PENTAD_WEB_LIST}" "${CMAKE_CURRENT_LIST_FILE}"
  COMMENT "Building the browser board's page into web_assets.hpp"
  VERBATIM)
add_custom_target(pentad_web_assets DEPENDS "${PENTAD_WEB_HEADER}")
add_dependencies(pentad_serve pentad_web_assets)
