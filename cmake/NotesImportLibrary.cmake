# The import library for nnotes.dll, made from our .def of the functions we use: each
# __stdcall symbol _Name@N binds to the export Name (dlltool -k drops the decoration).
set(NNOTES_DEF ${CMAKE_SOURCE_DIR}/include/notesapi/nnotes.def)
set(NNOTES_IMPLIB ${CMAKE_BINARY_DIR}/notesapi/libnnotes.dll.a)
add_custom_command(
  OUTPUT ${NNOTES_IMPLIB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/notesapi
  COMMAND ${CMAKE_DLLTOOL} -k -d ${NNOTES_DEF} -l ${NNOTES_IMPLIB}
  DEPENDS ${NNOTES_DEF}
  COMMENT "Import library for nnotes.dll"
  VERBATIM)
add_custom_target(nnotes_implib DEPENDS ${NNOTES_IMPLIB})
