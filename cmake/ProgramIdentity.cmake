# What Windows and its tools read about a file of ours: the version resource (Explorer's Details
# tab, deployment tools, our own version reader) and, for a program we ship, the manifest.
set(QU_RESOURCE_TEMPLATES ${CMAKE_CURRENT_LIST_DIR}/../src/resources)

# qu_version_resource(<rc file to write> FILE name.ext VERSION a.b.c.d DESCRIPTION text [DLL]
#                     [NO_TRANSLATION])
# NO_TRANSLATION leaves out the "\VarFileInfo\Translation" block.
function(qu_version_resource rc)
  cmake_parse_arguments(V "DLL;NO_TRANSLATION" "FILE;VERSION;DESCRIPTION" "" ${ARGN})
  string(REPLACE "." "," QU_RC_VERSION_COMMAS ${V_VERSION})
  set(QU_RC_VERSION ${V_VERSION})
  set(QU_RC_FILE_NAME ${V_FILE})
  get_filename_component(QU_RC_INTERNAL_NAME ${V_FILE} NAME_WE)
  set(QU_RC_DESCRIPTION "${V_DESCRIPTION}")
  set(QU_RC_FILE_TYPE VFT_APP)
  if(V_DLL)
    set(QU_RC_FILE_TYPE VFT_DLL)
  endif()
  set(QU_RC_TRANSLATION "  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\", 0x409, 1200\n  END")
  if(V_NO_TRANSLATION)
    set(QU_RC_TRANSLATION "")
  endif()
  configure_file(${QU_RESOURCE_TEMPLATES}/VersionInfo.rc.in ${rc} @ONLY)
endfunction()

# qu_program_identity(target DESCRIPTION text LEVEL asInvoker|requireAdministrator)
# The program's version resource (the project's version, which is the version of the package the
# upgrader carries) and its manifest, which names the architecture of this build: Windows refuses
# to start a program whose manifest names another one.
function(qu_program_identity target)
  cmake_parse_arguments(P "" "DESCRIPTION;LEVEL" "" ${ARGN})
  set(dir ${CMAKE_BINARY_DIR}/generated/${target})
  qu_version_resource(${dir}/Version.rc FILE ${target}.exe VERSION ${PROJECT_VERSION} DESCRIPTION "${P_DESCRIPTION}")
  set(QU_RC_VERSION ${PROJECT_VERSION})
  set(QU_RC_INTERNAL_NAME ${target})
  set(QU_RC_DESCRIPTION "${P_DESCRIPTION}")
  set(QU_EXECUTION_LEVEL ${P_LEVEL})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(QU_MANIFEST_ARCH x86)
  else()
    set(QU_MANIFEST_ARCH amd64)
  endif()
  set(QU_MANIFEST_FILE ${dir}/${target}.manifest)
  configure_file(${QU_RESOURCE_TEMPLATES}/Program.manifest.in ${QU_MANIFEST_FILE} @ONLY)
  configure_file(${QU_RESOURCE_TEMPLATES}/Manifest.rc.in ${dir}/Manifest.rc @ONLY)
  # windres does not see a change of the manifest it embeds by itself.
  set_property(SOURCE ${dir}/Manifest.rc APPEND PROPERTY OBJECT_DEPENDS ${QU_MANIFEST_FILE})
  target_sources(${target} PRIVATE ${dir}/Version.rc ${dir}/Manifest.rc)
endfunction()
