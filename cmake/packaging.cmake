# The folder that is handed out, and the archives made of it: the programs,
# the settings file beside them (the programs read it from their own
# folder), the sample courses and a short README; on Linux also a desktop
# entry and the icon. `cmake --install` writes the folder; CPack (the
# package presets) the zip or tar.gz of it in the build tree.

if(TARGET ormakin)
  install(TARGETS ormakin RUNTIME DESTINATION .)
endif()
if(TARGET ormakin-sim)
  install(TARGETS ormakin-sim RUNTIME DESTINATION .)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/examples/ormakin.ini DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/courses/ DESTINATION courses
        FILES_MATCHING PATTERN "*.bmp")

set(ORMAKIN_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VERSION ${PROJECT_VERSION})
if(WIN32)
  # Windows readers open a .txt with CR LF line ends.
  configure_file(${ORMAKIN_PACKAGING_DIR}/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
else()
  configure_file(${ORMAKIN_PACKAGING_DIR}/README-linux.txt ${PROJECT_BINARY_DIR}/README @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README DESTINATION .)
endif()

if(TARGET ormakin_gui)
  # The icon, drawn by the window's own code at build time.
  add_executable(write_icon ${ORMAKIN_PACKAGING_DIR}/write_icon.cpp)
  target_link_libraries(write_icon PRIVATE ormakin_gui)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/ormakin.png
                     COMMAND write_icon ${PROJECT_BINARY_DIR}/ormakin.png
                     DEPENDS write_icon VERBATIM)
  add_custom_target(ormakin_icon ALL DEPENDS ${PROJECT_BINARY_DIR}/ormakin.png)
  # The desktop entry in the folder names the program and the icon by
  # relative paths; scripts/user-install.sh writes one with full paths.
  set(EXEC ormakin)
  set(ICON ormakin)
  configure_file(${ORMAKIN_PACKAGING_DIR}/ormakin.desktop.in ${PROJECT_BINARY_DIR}/ormakin.desktop
                 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/ormakin.desktop ${PROJECT_BINARY_DIR}/ormakin.png
          DESTINATION .)
endif()

if(WIN32)
  set(ORMAKIN_PACKAGE_SYSTEM windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR ZIP)
else()
  set(ORMAKIN_PACKAGE_SYSTEM linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_PACKAGE_NAME ormakin)
set(CPACK_PACKAGE_VENDOR Ormakin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ormakin-${PROJECT_VERSION}-${ORMAKIN_PACKAGE_SYSTEM})
# One folder of the archive's name holds everything.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
