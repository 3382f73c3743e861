# Installation and the Debian package. The programs go to bin/, the
# project's libraries and loadable modules together to lib/brimvault/, where
# the core finds the modules beside itself.
include(GNUInstallDirs)
set(BRIM_INSTALL_LIBDIR "${CMAKE_INSTALL_LIBDIR}/brimvault")

set_target_properties(basekit brimcore taskplan PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(brimvault-cli PROPERTIES INSTALL_RPATH "$ORIGIN/../${BRIM_INSTALL_LIBDIR}")
install(TARGETS brimvault-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS basekit brimcore taskplan LIBRARY DESTINATION ${BRIM_INSTALL_LIBDIR})
install(TARGETS brimburn hdrw LIBRARY DESTINATION ${BRIM_INSTALL_LIBDIR})
if(BRIM_BUILD_GUI)
  set(brim_gui_libraries uictl taskplan_dialogs job brimvault_runner)
  set_target_properties(${brim_gui_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
  set_target_properties(brimvault brimvault-util PROPERTIES INSTALL_RPATH "$ORIGIN/../${BRIM_INSTALL_LIBDIR}")
  install(TARGETS brimvault brimvault-util RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS ${brim_gui_libraries} LIBRARY DESTINATION ${BRIM_INSTALL_LIBDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/uictl/help/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/brimvault/help)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/app/welcome/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/brimvault/welcome)
  # The menu entry, the archive types and the icon, for every user.
  install(FILES ${PROJECT_SOURCE_DIR}/app/share/brimvault.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/app/share/brimvault.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages)
  install(FILES ${PROJECT_SOURCE_DIR}/app/share/brimvault.svg
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
endif()
# A package's documents go under its own name, which is lower-case; the
# default folder is named after the project.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/brimvault)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "brimvault")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Brimvault developers <maintainers@users.noreply.c-seed-13e87ab3.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Backup tool: enciphered archive sets, increments, verification and restore")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/lib")
if(BRIM_BUILD_GUI)
  # The installer's helper registers the archive types for every user after
  # the installation and takes them away before the removal.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
      "${PROJECT_SOURCE_DIR}/cmake/debian/postinst;${PROJECT_SOURCE_DIR}/cmake/debian/prerm")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
endif()
include(CPack)
