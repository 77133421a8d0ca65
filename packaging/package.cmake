# The installed program and its Debian package (tools/dev.sh package): the three executables,
# the desktop entry with its icon and AppStream metainfo, the manual pages, and the files
# Debian's policy asks of every package. On Windows, a ZIP of the folder that runs on a bench PC
# instead (windows.cmake).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/windows.cmake)
  return()
endif()
include(GNUInstallDirs)

set(ZELMAR_PACKAGE_MAINTAINER "Zelmar programmer developers <programator@zelmar.pl>"
    CACHE STRING "The Debian package's Maintainer field")

set(here ${CMAKE_CURRENT_LIST_DIR})
set(docs ${PROJECT_SOURCE_DIR}/docs)
set(staged ${PROJECT_BINARY_DIR}/packaging)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/zelmar-programator)

install(FILES ${here}/zelmar-programator.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${here}/zelmar-programator.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${here}/pl.zelmar.programator.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${here}/copyright DESTINATION ${docdir})

# Manual pages and the changelog go compressed, without a time stamp, as Debian's policy wants.
configure_file(${here}/changelog.in ${staged}/changelog @ONLY)
set(compressed)
foreach(source IN ITEMS ${docs}/zelmar-programator.1 ${docs}/zelmar-cli.1
                        ${docs}/zelmar-simulator.1 ${staged}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${staged}/${name}.gz
                     COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${source} ${staged}/${name}.gz
                     DEPENDS ${source}
                     COMMENT "Compressing ${name}"
                     VERBATIM)
  list(APPEND compressed ${staged}/${name}.gz)
endforeach()
add_custom_target(zelmar_package_files ALL DEPENDS ${compressed})
install(FILES ${staged}/zelmar-programator.1.gz ${staged}/zelmar-cli.1.gz
              ${staged}/zelmar-simulator.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${staged}/changelog.gz DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelmar-programator)
set(CPACK_PACKAGE_VENDOR "Zelmar programmer developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZELMAR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The first line is the synopsis; CPack indents the others as Debian's control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "read and write the configuration of Zelmar devices over a serial line
The tool with which a technician reads and writes the configuration of a
Zelmar device over a serial line at 1200 baud 8N1 on COM 1 to COM 4: a
window with the device's settings panel, read and write jobs over its 8192
objects and a terminal pane of every byte received; zelmar-cli, the same
programmer for scripts and batches of devices; and zelmar-simulator, a
simulated device on a pseudo-terminal for trying both without hardware.
.
The user must be in the dialout group to open the serial ports:
sudo adduser $USER dialout, then log in again.")
include(CPack)
