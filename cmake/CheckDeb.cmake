# Builds the Debian package of the build folder BUILD_DIR into a scratch folder and checks that
# it holds the viewer, the tools, the desktop entry and the icon, and depends on the libraries
# they link. Run by the package_deb test: cmake -DBUILD_DIR=... -P CheckDeb.cmake
string(RANDOM LENGTH 8 suffix)
set(scratch "$ENV{TMPDIR}")
if(NOT scratch)
  set(scratch /tmp)
endif()
set(scratch "${scratch}/morrow-deb-${suffix}")
file(MAKE_DIRECTORY ${scratch})

execute_process(COMMAND cpack -G DEB -B ${scratch} --config ${BUILD_DIR}/CPackConfig.cmake
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB debs ${scratch}/*.deb)
if(NOT result EQUAL 0 OR NOT debs)
  file(REMOVE_RECURSE ${scratch})
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
list(GET debs 0 deb)
execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE contents)
execute_process(COMMAND dpkg-deb -f ${deb} Package Depends OUTPUT_VARIABLE fields)
file(REMOVE_RECURSE ${scratch})

set(missing "")
foreach(path ./usr/bin/morrow ./usr/bin/morrow-warp ./usr/bin/morrow-scene
             ./usr/share/applications/morrow.desktop
             ./usr/share/icons/hicolor/128x128/apps/morrow.png)
  string(REGEX REPLACE "([.+])" "\\\\\\1" pattern "${path}")
  if(NOT contents MATCHES " ${pattern}\n")
    list(APPEND missing ${path})
  endif()
endforeach()
foreach(dependency libopenimageio2.4 libopencv-imgcodecs406 libqt6widgets6 qt6-qpa-plugins libc6)
  if(NOT fields MATCHES "${dependency}")
    list(APPEND missing "dependency ${dependency}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "the package lacks: ${missing}\n${contents}\n${fields}")
endif()
message(STATUS "package ok:\n${fields}")
