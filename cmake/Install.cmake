# Installation and the Debian package. `cmake --install BUILD` puts the viewer (GUI builds),
# the command-line tools, the desktop entry and the icon in the usual places under the prefix;
# `cpack -G DEB` (in the build folder) makes a .deb whose dependencies dpkg-shlibdeps derives
# from the installed binaries. The viewer, its desktop entry and icon are installed by
# src/Gui.cmake; the tools here.
foreach(tool morrow-warp morrow-scene)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION bin)
  endif()
endforeach()

set(CPACK_PACKAGE_NAME morrow)
set(CPACK_PACKAGE_VENDOR "Morrow")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Image-based rendering viewer: 3D image warping of one reference view")
set(CPACK_PACKAGE_DESCRIPTION
  "Morrow loads one reference view (a data file, a colour image with a depth map, or a stereo\n"
  "pair folder) and renders it from a moved camera by 3D image warping. With the command-line\n"
  "tools morrow-warp and morrow-scene.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Morrow maintainers <maintainers@morrow.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no binary names them: Qt's X11 platform plugin and Mesa's OpenGL
# drivers (GUI builds).
if(MORROW_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri")
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)

# The package test (GUI builds, where the package is complete): builds the .deb into a scratch
# folder and checks its file list and dependencies.
if(MORROW_BUILD_TESTS AND MORROW_BUILD_GUI)
  add_test(NAME package_deb
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -P ${CMAKE_CURRENT_LIST_DIR}/CheckDeb.cmake)
  set_tests_properties(package_deb PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endif()
