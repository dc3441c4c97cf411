# The programs we ship run elevated, often from a download folder. The loader resolves a program's
# imports, and what those system libraries import in turn, before any code of ours runs, and it
# looks in the program's own folder first. So a shipped program imports only KERNEL32.dll and the
# C runtime the usual way. Every other system library is delay-loaded: loaded at its first call,
# after src/startup/ has made the system folder the only place searched.

# The system libraries the core calls. The tests link them the usual way.
set(QU_SYSTEM_LIBRARIES ole32 oleaut32 shell32 comctl32 comdlg32 version advapi32 user32 gdi32)

set(QU_DELAY_IMPORT_DIR ${CMAKE_BINARY_DIR}/delay-imports)
set(QU_DELAY_IMPORT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/make-delay-import-library.sh)
# i686 names C symbols with a leading underscore; x86-64 does not.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QU_SYMBOL_PREFIX _)
else()
  set(QU_SYMBOL_PREFIX "")
endif()
set(delay_libraries "")
foreach(library ${QU_SYSTEM_LIBRARIES})
  find_library(QU_IMPORT_LIBRARY_${library} ${library} REQUIRED)
  set(output ${QU_DELAY_IMPORT_DIR}/lib${library}_delay.a)
  add_custom_command(OUTPUT ${output}
    COMMAND bash ${QU_DELAY_IMPORT_SCRIPT} ${CMAKE_NM} ${CMAKE_DLLTOOL} ${QU_IMPORT_LIBRARY_${library}}
            ${library}.dll ${output} "${QU_SYMBOL_PREFIX}"
    DEPENDS ${QU_DELAY_IMPORT_SCRIPT} ${QU_IMPORT_LIBRARY_${library}}
    COMMENT "Making the delay-load import library of ${library}.dll"
    VERBATIM)
  list(APPEND delay_libraries ${output})
endforeach()
add_custom_target(quorindo_delay_import_libraries DEPENDS ${delay_libraries})

# How the core reaches the system libraries: through the usual import libraries, or, in a program
# made by qu_shipped_program(), through the delay-load ones, in the same place on the link line.
add_library(quorindo_system_libraries INTERFACE)
target_link_libraries(quorindo_system_libraries INTERFACE
  "$<IF:$<BOOL:$<TARGET_PROPERTY:QU_DELAY_LOAD_SYSTEM_LIBRARIES>>,${delay_libraries},${QU_SYSTEM_LIBRARIES}>")
add_dependencies(quorindo_system_libraries quorindo_delay_import_libraries)

# qu_shipped_program(target): the target imports only KERNEL32.dll and msvcrt.dll the usual way,
# reaches every other system library through delay-loaded imports, and limits the library search
# to the system folder before any of them can be loaded.
# The image is marked for address space layout randomisation, no-execute data and terminal
# servers: without that mark, a program on a terminal server gets a per-user Windows folder.
function(qu_shipped_program target)
  set_target_properties(${target} PROPERTIES QU_DELAY_LOAD_SYSTEM_LIBRARIES ON)
  target_link_options(${target} PRIVATE -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src/startup/LibrarySearchAtStart.cpp)
endfunction()
