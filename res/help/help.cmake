# The help file, the pictures of the welcome, splash and about windows, and the files that lie
# beside the executable: purgalot.chm, license.txt and version.id in DIST_DIR. include() it after
# images.cmake; targets whose resources include the dialogs depend on purgalot_help_files.

set(PURGALOT_HELP_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
find_program(PURGALOT_CHMCMD chmcmd REQUIRED)
find_program(PURGALOT_CONVERT convert REQUIRED)
file(MAKE_DIRECTORY ${DIST_DIR})

file(GLOB _purgalot_help_pages CONFIGURE_DEPENDS
  ${PURGALOT_HELP_SOURCE_DIR}/*.htm ${PURGALOT_HELP_SOURCE_DIR}/*.css
  ${PURGALOT_HELP_SOURCE_DIR}/purgalot.hhp ${PURGALOT_HELP_SOURCE_DIR}/purgalot.hhc
  ${PURGALOT_HELP_SOURCE_DIR}/purgalot.hhk)
# chmcmd reads the pages beside the project and writes the file into its working folder.
add_custom_command(OUTPUT ${DIST_DIR}/purgalot.chm
  COMMAND ${PURGALOT_CHMCMD} ${PURGALOT_HELP_SOURCE_DIR}/purgalot.hhp
  WORKING_DIRECTORY ${DIST_DIR}
  DEPENDS ${_purgalot_help_pages}
  COMMENT "Compiling the help file"
  VERBATIM)

# Each picture at 96 DPI and at twice that.
set(PURGALOT_HELP_BITMAPS)
foreach(_picture banner:420:58 splash:480:300)
  string(REPLACE ":" ";" _parts ${_picture})
  list(GET _parts 0 _name)
  list(GET _parts 1 _w)
  list(GET _parts 2 _h)
  math(EXPR _w2 "${_w} * 2")
  math(EXPR _h2 "${_h} * 2")
  set(_svg ${PURGALOT_HELP_SOURCE_DIR}/${_name}.svg)
  set(_script ${PURGALOT_HELP_SOURCE_DIR}/render-bitmap.sh)
  add_custom_command(OUTPUT ${PURGALOT_IMAGES_DIR}/${_name}.bmp ${PURGALOT_IMAGES_DIR}/${_name}_2x.bmp
    COMMAND sh ${_script} ${_svg} ${_w} ${_h} ${PURGALOT_IMAGES_DIR}/${_name}.bmp
    COMMAND sh ${_script} ${_svg} ${_w2} ${_h2} ${PURGALOT_IMAGES_DIR}/${_name}_2x.bmp
    DEPENDS ${_svg} ${_script}
    COMMENT "Rendering the ${_name} picture"
    VERBATIM)
  list(APPEND PURGALOT_HELP_BITMAPS ${PURGALOT_IMAGES_DIR}/${_name}.bmp
       ${PURGALOT_IMAGES_DIR}/${_name}_2x.bmp)
endforeach()

# The project's licence, with the line ends a Windows text viewer expects.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${DIST_DIR}/license.txt @ONLY NEWLINE_STYLE CRLF)

# The commit the build is made from, looked at on every build.
add_custom_target(purgalot_version_id ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${DIST_DIR}/version.id
          -DFALLBACK=${PROJECT_VERSION} -P ${PURGALOT_HELP_SOURCE_DIR}/version-id.cmake
  BYPRODUCTS ${DIST_DIR}/version.id
  VERBATIM)

add_custom_target(purgalot_help_files ALL
  DEPENDS ${DIST_DIR}/purgalot.chm ${PURGALOT_HELP_BITMAPS})
add_dependencies(purgalot_help_files purgalot_version_id)
