# The desktop application: the Qt side of the framework (platform), the dialogs, the view and the
# rendering context (ui), and the application shell (app). Sources are picked up by folder.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
file(GLOB MORROW_GUI_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/platform/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/app/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/app/*.qrc)
list(FILTER MORROW_GUI_SOURCES EXCLUDE REGEX ".*/app/main\\.cpp$")
add_library(morrow_gui STATIC ${MORROW_GUI_SOURCES})
target_include_directories(morrow_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(morrow_gui PUBLIC morrow_core Qt6::Core Qt6::Gui Qt6::Widgets
  Qt6::PrintSupport Qt6::OpenGL OpenGL::GL OpenGL::GLU)
target_compile_definitions(morrow_gui PUBLIC MORROW_VERSION="${PROJECT_VERSION}")

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
  add_executable(morrow ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
  target_link_libraries(morrow PRIVATE morrow_gui)
  install(TARGETS morrow RUNTIME DESTINATION bin)
endif()

# The status bar reads the lock keys through XKB where the X11 client library is there.
find_package(X11 QUIET)
if(X11_FOUND)
  target_link_libraries(morrow_gui PRIVATE X11::X11)
  target_compile_definitions(morrow_gui PRIVATE MORROW_HAVE_XKB=1)
endif()

# Desktop entry and application icon.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/app/morrow.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/app/res/morrow.png
  DESTINATION share/icons/hicolor/128x128/apps)
