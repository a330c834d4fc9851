# korvane_windows_resources(<target> <description>): the icon, the manifest and
# the version resource (the project's version, the description given) for one
# of the Windows programs, from packaging/windows/program.rc.in.
function(korvane_windows_resources target description)
  set(KORVANE_RC_NAME ${target})
  set(KORVANE_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # windres reads the icon and the manifest: a change to either relinks.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${PROJECT_SOURCE_DIR}/packaging/windows/korvane.ico;${PROJECT_SOURCE_DIR}/packaging/windows/korvane.manifest")
endfunction()
