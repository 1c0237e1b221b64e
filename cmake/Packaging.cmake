# Installation layout and the Debian package (`cpack` in the build folder).
#
# The program looks up its support files, its manual and its settings section by the directory
# of its executable, so everything it loads is installed into one directory, PRAXON_INSTALL_DIR
# (set in the top-level CMakeLists.txt; /usr/lib/praxon in the package). /usr/bin holds symbolic
# links to the two programs; the desktop entry, the icon, the man pages and a link to the manual go
# where the desktop and man expect them.

install(TARGETS praxon RUNTIME DESTINATION ${PRAXON_INSTALL_DIR})
install(DIRECTORY data/ DESTINATION ${PRAXON_INSTALL_DIR} PATTERN ".keep" EXCLUDE)
install(FILES docs/manual/praxon-manual.html DESTINATION ${PRAXON_INSTALL_DIR})

# Relative links, so the installed tree works under any prefix.
set(PRAXON_LINK_DIR ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${PRAXON_LINK_DIR})
foreach(program praxon praxon-boxsim)
  file(CREATE_LINK ../${PRAXON_INSTALL_DIR}/${program} ${PRAXON_LINK_DIR}/${program} SYMBOLIC)
  install(FILES ${PRAXON_LINK_DIR}/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
file(CREATE_LINK ../../../${PRAXON_INSTALL_DIR}/praxon-manual.html ${PRAXON_LINK_DIR}/praxon-manual.html SYMBOLIC)
install(FILES ${PRAXON_LINK_DIR}/praxon-manual.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/praxon)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/praxon)

install(FILES packaging/praxon.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/praxon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages, compressed as Debian keeps them.
find_program(PRAXON_GZIP gzip REQUIRED)
set(PRAXON_MAN_PAGES praxon.1 praxon-boxsim.1)
set(PRAXON_MAN_OUTPUTS)
foreach(page ${PRAXON_MAN_PAGES})
  set(source ${CMAKE_SOURCE_DIR}/docs/man/${page})
  set(output ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${PRAXON_GZIP} -9 -n -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing the man page ${page}")
  list(APPEND PRAXON_MAN_OUTPUTS ${output})
endforeach()
add_custom_target(praxon_man_pages ALL DEPENDS ${PRAXON_MAN_OUTPUTS})
install(FILES ${PRAXON_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME praxon)
set(CPACK_PACKAGE_VENDOR "Kestrix")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Praxon MCU Programmer: programs PIC microcontrollers with the Praxon box")
set(CPACK_PACKAGE_DESCRIPTION
    "The desktop and command-line front end of the Praxon PIC programmer box: load an Intel HEX\n\
file, pick a microcontroller, set options and run Auto Run, erase, blank check, program,\n\
verify, serialize and read tasks on up to four adapter sockets, interactively or unattended.\n\
Includes praxon-boxsim, a simulator of the programmer box on a network serial port (RFC 2217).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Praxon developers <praxon@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The platform plugins (xcb for the desktop, offscreen for headless runs) are loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ser2net")
include(CPack)
