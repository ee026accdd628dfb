# Installing and packaging: `cmake --install` puts the tool and its manual page in the usual
# places; CPack makes a .deb and a .tar.gz on Linux, and a .zip with brenvik.exe and a short
# readme for a Windows build.

include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME brenvik)
set(CPACK_PACKAGE_VENDOR "brenvik")
set(CPACK_PACKAGE_CONTACT "brenvik maintainers <brenvik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # A console tool that lives in one folder: brenvik.exe and its readme, side by side.
  install(TARGETS brenvik RUNTIME DESTINATION .)
  configure_file(packaging/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  install(TARGETS brenvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The page carries the project's version, set once in project().
  configure_file(man/brenvik.1 ${PROJECT_BINARY_DIR}/man/brenvik.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/brenvik.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  if(BRENVIK_STATIC)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "")  # the tool is linked statically
  else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  endif()
endif()

include(CPack)
