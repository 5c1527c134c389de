# The desktop application, one library per folder (see morrow_add_layer in CMakeLists.txt): the
# Qt side of the framework (platform), the dialogs, the view and the rendering context (ui), and
# the application shell (app).
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

morrow_add_layer(platform USES morrow_framework Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport)
morrow_add_layer(ui USES morrow_warp morrow_platform Qt6::OpenGL OpenGL::GL OpenGL::GLU)
# main.cpp is the executable's, not the library's.
morrow_add_layer(app USES morrow_ui EXTRA_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app/*.qrc
  EXCLUDE ".*/app/main\\.cpp$")
target_compile_definitions(morrow_app PUBLIC MORROW_VERSION="${PROJECT_VERSION}")

# The application as the GUI tests link it.
add_library(morrow_gui INTERFACE)
target_link_libraries(morrow_gui INTERFACE morrow_app)

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
  add_executable(morrow ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
  target_link_libraries(morrow PRIVATE morrow_gui)
  install(TARGETS morrow RUNTIME DESTINATION bin)
endif()

# The status bar reads the lock keys through XKB where the X11 client library is there.
find_package(X11 QUIET)
if(X11_FOUND)
  target_link_libraries(morrow_platform PRIVATE X11::X11)
  target_compile_definitions(morrow_platform PRIVATE MORROW_HAVE_XKB=1)
endif()

# Desktop entry and application icon.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/app/morrow.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/app/res/morrow.png
  DESTINATION share/icons/hicolor/128x128/apps)
