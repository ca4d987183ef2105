# The import library for nnotes.dll, made from our .def of the functions we use.
# 32-bit: each __stdcall symbol _Name@N binds to the export Name (dlltool -k drops the
# decoration). 64-bit: nothing is decorated (the toolkit's mswin64 notes.lib imports the same
# functions by plain name), so the import library is made from the names without their @N.
set(NNOTES_DEF ${CMAKE_SOURCE_DIR}/include/notesapi/nnotes.def)
set(NNOTES_IMPLIB ${CMAKE_BINARY_DIR}/notesapi/libnnotes.dll.a)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${NNOTES_DEF})
  file(READ ${NNOTES_DEF} def)
  string(REGEX REPLACE "@[0-9]+" "" def "${def}")
  set(implib_def ${CMAKE_BINARY_DIR}/notesapi/nnotes-win64.def)
  file(CONFIGURE OUTPUT ${implib_def} CONTENT "${def}")
  set(dlltool_args -m i386:x86-64 -d ${implib_def})
else()
  set(implib_def ${NNOTES_DEF})
  set(dlltool_args -m i386 -k -d ${implib_def})
endif()
add_custom_command(
  OUTPUT ${NNOTES_IMPLIB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/notesapi
  COMMAND ${CMAKE_DLLTOOL} ${dlltool_args} -l ${NNOTES_IMPLIB}
  DEPENDS ${implib_def}
  COMMENT "Import library for nnotes.dll"
  VERBATIM)
add_custom_target(nnotes_implib DEPENDS ${NNOTES_IMPLIB})
