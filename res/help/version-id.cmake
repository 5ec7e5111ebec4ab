# cmake -DSOURCE_DIR=... -DOUTPUT=.../version.id -DFALLBACK=... -P version-id.cmake
# Writes the commit the build is made from, with "+" when the working tree has changes; outside a
# git checkout, the project's version. The file is rewritten only when its text changes.
set(build "")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} rev-parse --short=12 HEAD WORKING_DIRECTORY ${SOURCE_DIR}
                  OUTPUT_VARIABLE commit RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  if(rc EQUAL 0 AND commit)
    set(build ${commit})
    execute_process(COMMAND ${GIT} status --porcelain --untracked-files=no
                    WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE changes ERROR_QUIET)
    if(changes)
      string(APPEND build "+")
    endif()
  endif()
endif()
if(NOT build)
  set(build "${FALLBACK}")
endif()
set(text "${build}\r\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${text}")
