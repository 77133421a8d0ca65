# The folder that runs on a bench PC: both programs with the Qt libraries, plugins and compiler
# runtime that windeployqt copies beside them, and the user's guide; `cpack` zips it. Built with
# Qt's own Windows kits only, which Debian does not have: untested on this project's machines.
get_target_property(zelmar_qmake Qt6::qmake IMPORTED_LOCATION)
get_filename_component(zelmar_qt_bin "${zelmar_qmake}" DIRECTORY)
find_program(ZELMAR_WINDEPLOYQT windeployqt HINTS "${zelmar_qt_bin}" REQUIRED)

# windeployqt looks at each program where it was installed and puts what it needs beside it.
install(CODE "
  foreach(program zelmar-programator zelmar-cli)
    execute_process(
      COMMAND \"${ZELMAR_WINDEPLOYQT}\" --no-translations --compiler-runtime
              \"\${CMAKE_INSTALL_PREFIX}/bin/\${program}.exe\"
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()")
install(FILES ${PROJECT_SOURCE_DIR}/docs/using.md ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION doc)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zelmar-programator)
set(CPACK_PACKAGE_VENDOR "Zelmar programmer developers")
set(CPACK_PACKAGE_FILE_NAME "zelmar-programator-${PROJECT_VERSION}-windows-x64")
set(CPACK_STRIP_FILES ON)
include(CPack)
