# The screenshot tour, checked (a ctest entry of the 32-bit build, from which
# the committed pictures come). Registers the control in the test prefix,
# runs the demo host's tour into a folder of the build tree, unregisters the
# control, then checks that
#   - the tour saved every view it promises (the demo host fails otherwise);
#   - it saved exactly the pictures committed in docs/screenshots/, so that
#     `scripts/demo --tour` would neither add nor drop one;
#   - each of them is shown by the user guide or the integration guide.
#
#   cmake -DEMULATOR=<wine loader> -DBUILD=<build dir> -DSOURCE=<source dir>
#         -P CheckTour.cmake

set(pictures ${BUILD}/tour-check)
file(REMOVE_RECURSE ${pictures})
file(MAKE_DIRECTORY ${pictures})

execute_process(COMMAND ${EMULATOR} regsvr32 /s KVRCmnCameraControlUI.dll
  WORKING_DIRECTORY ${BUILD} RESULT_VARIABLE registered)
if(NOT registered EQUAL 0)
  message(FATAL_ERROR "regsvr32 KVRCmnCameraControlUI.dll failed: ${registered}")
endif()
execute_process(COMMAND ${EMULATOR} tools/demo_host.exe --tour tour-check
  WORKING_DIRECTORY ${BUILD} RESULT_VARIABLE toured)
execute_process(COMMAND ${EMULATOR} regsvr32 /u /s KVRCmnCameraControlUI.dll
  WORKING_DIRECTORY ${BUILD})
if(NOT toured EQUAL 0)
  message(FATAL_ERROR "the tour did not save every view it promises (exit code ${toured})")
endif()

file(GLOB made RELATIVE ${pictures} ${pictures}/*.png)
file(GLOB committed RELATIVE ${SOURCE}/docs/screenshots ${SOURCE}/docs/screenshots/*.png)
list(SORT made)
list(SORT committed)
if(NOT made STREQUAL committed)
  message(FATAL_ERROR "the tour saves\n  ${made}\nbut docs/screenshots holds\n  ${committed}\n"
                      "run scripts/demo --tour and commit the pictures")
endif()

file(READ ${SOURCE}/docs/user-guide.md guides)
file(READ ${SOURCE}/docs/integration.md integration)
string(APPEND guides "${integration}")
foreach(picture ${made})
  string(FIND "${guides}" "screenshots/${picture}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "no guide shows docs/screenshots/${picture}")
  endif()
endforeach()
list(LENGTH made count)
message(STATUS "the tour saved ${count} pictures, all committed and shown in the guides")
