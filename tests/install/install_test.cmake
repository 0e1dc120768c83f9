# Installs the build into a fresh prefix, checks the laid-out files, runs the installed qvx on
# the sample, then configures, builds and runs the consumer project against the prefix alone.
# -D: BUILD_DIR, SOURCE_DIR, WORK_DIR, GENERATOR, CXX_COMPILER, BUILD_TYPE, LINKER_FLAGS,
#     LAUNCHER (optional), and the build's CMAKE_INSTALL_{BIN,LIB,INCLUDE,DATA}DIR
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect_line text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "no line matching \"${pattern}\" in:\n${text}")
  endif()
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/config)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file
    ${CMAKE_INSTALL_BINDIR}/quorvel ${CMAKE_INSTALL_BINDIR}/qvx ${CMAKE_INSTALL_BINDIR}/qvmonitor
    ${CMAKE_INSTALL_LIBDIR}/quorvel/icons/status-draft.png
    ${CMAKE_INSTALL_INCLUDEDIR}/QVLiteControls2/explorer/ProjectExplorer.h
    ${CMAKE_INSTALL_LIBDIR}/cmake/QVLiteControls2/QVLiteControls2ConfigVersion.cmake
    ${CMAKE_INSTALL_DATADIR}/applications/quorvel.desktop
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps/quorvel.svg
    ${CMAKE_INSTALL_DATADIR}/mime/packages/quorvel.xml)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The installed qvx, reached through its link in bin/, finds its status icons: the sample's
# topics show their status images, and no failure is reported.
set(ENV{XDG_CONFIG_HOME} ${WORK_DIR}/config)
run(${prefix}/${CMAKE_INSTALL_BINDIR}/qvx tree ${SOURCE_DIR}/samples/Handbook/Handbook.qvproj)
expect_line("${out}" "topicstatusDraft")
if(out MATCHES "(^|\n)(raised|report|msgbox) ")
  message(FATAL_ERROR "the installed qvx reported a failure:\n${out}")
endif()

set(options -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
if(LAUNCHER)
  list(APPEND options -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/consumer ${options})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer ${SOURCE_DIR}/samples/Handbook/Handbook.qvproj
    ${prefix}/${CMAKE_INSTALL_LIBDIR}/quorvel)
expect_line("${out}" "(^|\n)Topics: [1-9][0-9]*\n")
expect_line("${out}" "\n[1-9][0-9]* nodes\n$")
message(STATUS "consumer output:\n${out}")
