# `dist`: the files a Notes user installs, as a folder and a zip beside it, both named for the
# client the build serves (Stowline-win32 for 32-bit clients, Stowline-win64 for 64-bit ones):
#   stowline.dll   the add-in, for the Notes program folder (named by notes.ini's AddInMenus)
#   Stowline.ini   starting settings, for the settings folder
#   Stowline.reg   records the settings folder for the current user
# The settings folder defaults to C:\Stowline; a site that keeps it elsewhere sets
# STOWLINE_DIST_SETTINGS_FOLDER (a Windows path without a trailing backslash).
if(NOT WIN32 OR NOT TARGET stowline_dll)
  return()
endif()

set(STOWLINE_DIST_SETTINGS_FOLDER "C:\\Stowline" CACHE STRING "Settings folder recorded by the packed Stowline.reg")
string(REPLACE "\\" "\\\\" STOWLINE_DIST_REG_FOLDER "${STOWLINE_DIST_SETTINGS_FOLDER}")

get_filename_component(STOWLINE_DIST_NAME ${STOWLINE_DIST_ZIP} NAME_WE)
set(STOWLINE_DIST_DIR ${CMAKE_BINARY_DIR}/dist/${STOWLINE_DIST_NAME})
# Windows tools (regedit, the profile-string functions) expect CRLF lines.
configure_file(${CMAKE_CURRENT_LIST_DIR}/dist/Stowline.ini.in ${CMAKE_BINARY_DIR}/dist-files/Stowline.ini
               NEWLINE_STYLE CRLF)
configure_file(${CMAKE_CURRENT_LIST_DIR}/dist/Stowline.reg.in ${CMAKE_BINARY_DIR}/dist-files/Stowline.reg
               @ONLY NEWLINE_STYLE CRLF)

add_custom_command(
  OUTPUT ${STOWLINE_DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${STOWLINE_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${STOWLINE_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:stowline_dll> ${CMAKE_BINARY_DIR}/dist-files/Stowline.ini
          ${CMAKE_BINARY_DIR}/dist-files/Stowline.reg ${STOWLINE_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${STOWLINE_DIST_ZIP} --format=zip ${STOWLINE_DIST_NAME}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/dist
  DEPENDS stowline_dll ${CMAKE_BINARY_DIR}/dist-files/Stowline.ini ${CMAKE_BINARY_DIR}/dist-files/Stowline.reg
  COMMENT "Packing stowline.dll, Stowline.ini and Stowline.reg into dist/${STOWLINE_DIST_NAME}.zip"
  VERBATIM)
# Part of every build: the Wine tests install from this package.
add_custom_target(dist ALL DEPENDS ${STOWLINE_DIST_ZIP})
