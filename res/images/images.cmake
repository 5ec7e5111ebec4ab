# Toolbar, menu, side bar, fold, state and wizard images of purgalot.exe, rendered at build time
# from the SVG sources beside this file. include() it from the executable's CMakeLists.txt:
#   include(${PROJECT_SOURCE_DIR}/res/images/images.cmake)
#   add_executable(purgalot WIN32 ... ${PURGALOT_IMAGES_RC})
#   add_dependencies(purgalot purgalot_images_extra)
# The generated images.rc sits beside the .ico files (and a copy of ImageIds.h) in
# ${CMAKE_CURRENT_BINARY_DIR}/images/, so it compiles without extra include paths.
# Code includes the IDs as "images/ImageIds.h" (res/ is on the include path).

set(PURGALOT_IMAGES_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PURGALOT_IMAGES_DIR ${CMAKE_CURRENT_BINARY_DIR}/images)
set(PURGALOT_IMAGES_RC ${PURGALOT_IMAGES_DIR}/images.rc)

find_program(PURGALOT_BASH bash REQUIRED)
find_program(PURGALOT_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(PURGALOT_ICOTOOL icotool REQUIRED)

# The image names come from images.list; re-run CMake when it changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PURGALOT_IMAGES_SOURCE_DIR}/images.list)
file(STRINGS ${PURGALOT_IMAGES_SOURCE_DIR}/images.list _purgalot_image_lines REGEX "^[a-z]")
set(PURGALOT_IMAGES_ICO)
foreach(_line IN LISTS _purgalot_image_lines)
  string(REGEX MATCH "^[a-z0-9_]+" _name "${_line}")
  list(APPEND PURGALOT_IMAGES_ICO ${PURGALOT_IMAGES_DIR}/${_name}.ico)
endforeach()
file(GLOB _purgalot_image_svgs CONFIGURE_DEPENDS ${PURGALOT_IMAGES_SOURCE_DIR}/*.svg)

add_custom_command(
  OUTPUT ${PURGALOT_IMAGES_ICO} ${PURGALOT_IMAGES_RC} ${PURGALOT_IMAGES_DIR}/ImageIds.h
  COMMAND ${PURGALOT_BASH} ${PURGALOT_IMAGES_SOURCE_DIR}/render.sh ${PURGALOT_IMAGES_DIR}
  DEPENDS ${_purgalot_image_svgs}
          ${PURGALOT_IMAGES_SOURCE_DIR}/render.sh
          ${PURGALOT_IMAGES_SOURCE_DIR}/images.list
          ${PURGALOT_IMAGES_SOURCE_DIR}/ImageIds.h
  COMMENT "Rendering toolbar, menu, state and wizard images"
  VERBATIM)
add_custom_target(purgalot_images_extra DEPENDS ${PURGALOT_IMAGES_ICO} ${PURGALOT_IMAGES_RC})

# Recompile the .rc when an image changes even if the .rc text does not.
set_source_files_properties(${PURGALOT_IMAGES_RC} PROPERTIES
  GENERATED TRUE
  OBJECT_DEPENDS "${PURGALOT_IMAGES_ICO};${PURGALOT_IMAGES_DIR}/ImageIds.h")
