# What `cmake --install` lays out and what `cpack -G DEB` packs (one package, "quorvel"):
#   bin/quorvel, bin/qvx         links to the programs in lib/quorvel/, whose icons/ folder
#                                beside them is where the host finds the status icons
#   bin/qvmonitor
#   lib/libQVLiteControls2.a ... the static libraries and include/QVLiteControls2/ their
#                                headers, with lib/cmake/QVLiteControls2/ for find_package
#   share/applications, share/icons/hicolor, share/mime/packages: the desktop entry, the
#                                program's icon and the .qvproj file type
include(CMakePackageConfigHelpers)

set(QV_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/quorvel)
set(QV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QVLiteControls2)

# ---- The programs ----
# The host reads its status icons from the folder of the running program (/proc/self/exe,
# links resolved), so the programs live in one folder with their icons and bin/ links to them.
install(TARGETS quorvel qvx RUNTIME DESTINATION ${QV_PROGRAM_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/icons DESTINATION ${QV_PROGRAM_DIR})
file(RELATIVE_PATH _to_programs ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_BINARY_DIR}/${QV_PROGRAM_DIR})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin-links)
foreach(_program quorvel qvx)
  file(CREATE_LINK ${_to_programs}/${_program} ${CMAKE_BINARY_DIR}/bin-links/${_program} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/bin-links/${_program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
install(TARGETS qvmonitor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# ---- The desktop integration ----
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorvel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorvel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorvel.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# ---- The library and its CMake package ----
# Three export sets, so that a consumer of the control alone needs nothing but a compiler:
#   QVLiteControls2Targets  the control, the contracts and the headless controls (standard
#                           library only)
#   component Model         the project model and file (pugixml)
#   component Host          the host objects (Qt 6 Core and Gui, Hunspell)
set_target_properties(qv_contracts PROPERTIES EXPORT_NAME Contracts)
set_target_properties(qv_controls PROPERTIES EXPORT_NAME Controls)
set_target_properties(qv_model PROPERTIES EXPORT_NAME Model)
set_target_properties(qv_host PROPERTIES EXPORT_NAME Host)
install(TARGETS QVLiteControls2 qv_contracts qv_controls EXPORT QVLiteControls2Targets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS qv_model EXPORT QVLiteControls2ModelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS qv_host EXPORT QVLiteControls2HostTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# A stripped install (cpack, cmake --install --strip) keeps the archives' symbols but drops
# their debug information, which is most of their size.
foreach(_lib QVLiteControls2 qv_contracts qv_controls qv_model qv_host)
  if(NOT CMAKE_STRIP)
    break()
  endif()
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${_lib}>\")
  endif()")
endforeach()
foreach(_set "" Model Host)
  install(EXPORT QVLiteControls2${_set}Targets NAMESPACE QVLiteControls2::
          DESTINATION ${QV_CMAKE_DIR})
endforeach()

# The headers keep their folders, so the include paths are the ones inside the source tree
# ("explorer/ProjectExplorer.h").
foreach(dir contracts controls model host ${QV_COMPONENT_DIRS})
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
  if(_headers)
    install(FILES ${_headers} DESTINATION ${QV_INSTALL_HEADER_DIR}/${dir})
  endif()
endforeach()

configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/QVLiteControls2Config.cmake.in
  ${CMAKE_BINARY_DIR}/QVLiteControls2Config.cmake INSTALL_DESTINATION ${QV_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/QVLiteControls2ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/QVLiteControls2Config.cmake
              ${CMAKE_BINARY_DIR}/QVLiteControls2ConfigVersion.cmake
        DESTINATION ${QV_CMAKE_DIR})

# ---- The Debian package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "QVLiteControls2 developers")
set(CPACK_PACKAGE_CONTACT "QVLiteControls2 developers <qvlitecontrols2@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Help project explorer: desktop program, headless host and library")
set(CPACK_PACKAGE_DESCRIPTION
  "Quorvel shows a help project (topics in categories, images, other files, build profiles) as a
tree to work on, builds it to HTML pages and opens .qvproj files from the file manager. The
package also holds qvx, the headless host, qvmonitor, the instance-count monitor, and the
QVLiteControls2 static library with its headers and CMake package.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The linked libraries come from dpkg-shlibdeps; Qt's window-system plugins are loaded at run
# time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The spelling dictionary, the file-type database and the opener of outside files.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hunspell-en-us, shared-mime-info, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/")
include(CPack)
