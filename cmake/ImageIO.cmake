# Image file formats for the core: one interface target, morrow_imageio, that the image library
# links privately. OpenImageIO reads PNG, JPEG, TIFF, PFM and EXR through one API and writes PNG
# and EXR; its Debian 12 build (2.4) cannot write PFM, so the PFM writer is OpenCV's image codecs
# (already a dependency of OpenImageIO's Debian package; its -dev package ships no CMake config,
# hence the plain find_path/find_library). Both come from scripts/install-deps.sh.
# OpenImageIO through pkg-config: the CMake package file of Debian's build names the command
# line tools and the Python bindings of Imath as imported targets, and fails on a machine that
# has only the library.
find_package(PkgConfig REQUIRED)
pkg_check_modules(OpenImageIO QUIET IMPORTED_TARGET OpenImageIO)
find_path(MORROW_OPENCV_INCLUDE_DIR opencv2/imgcodecs.hpp PATH_SUFFIXES opencv4)
find_library(MORROW_OPENCV_CORE_LIBRARY opencv_core)
find_library(MORROW_OPENCV_IMGCODECS_LIBRARY opencv_imgcodecs)
if(NOT OpenImageIO_FOUND OR NOT MORROW_OPENCV_INCLUDE_DIR OR NOT MORROW_OPENCV_CORE_LIBRARY
   OR NOT MORROW_OPENCV_IMGCODECS_LIBRARY)
  message(FATAL_ERROR "OpenImageIO or OpenCV's image codecs not found "
                      "(run scripts/install-deps.sh: libopenimageio-dev, libopencv-imgcodecs-dev)")
endif()

add_library(morrow_imageio INTERFACE)
target_include_directories(morrow_imageio SYSTEM INTERFACE ${MORROW_OPENCV_INCLUDE_DIR})
target_link_libraries(morrow_imageio INTERFACE PkgConfig::OpenImageIO
  ${MORROW_OPENCV_IMGCODECS_LIBRARY} ${MORROW_OPENCV_CORE_LIBRARY})
