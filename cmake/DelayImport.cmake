# tessel_delay_imports(TARGET dll...)
# Links TARGET against the named system DLLs (user32, gdi32, ...) so that
# each is loaded only when the first of its functions is called, as MSVC's
# /DELAYLOAD does. The delay-import libraries are made at configure time
# from the toolchain's own import libraries: their symbols carry the stdcall
# decorations that dlltool needs (i686 names its import symbols __imp__Name@N,
# x86_64 __imp_Name). Code of the target that calls those
# functions must be compiled with tessel_call_through_thunks: a 32-bit call
# through a dllimport pointer would skip the delay-load thunk.
function(tessel_call_through_thunks target)
  target_compile_definitions(${target} PRIVATE DECLSPEC_IMPORT=)
endfunction()

function(tessel_delay_imports target)
  find_program(TESSEL_DLLTOOL NAMES ${TESSEL_MINGW_TRIPLE}-dlltool REQUIRED)
  find_program(TESSEL_NM NAMES ${TESSEL_MINGW_TRIPLE}-nm REQUIRED)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(import_prefix " I __imp__")
  else()
    set(import_prefix " I __imp_")
  endif()
  set(folder ${CMAKE_BINARY_DIR}/delay-imports)
  file(MAKE_DIRECTORY ${folder})
  foreach(dll ${ARGN})
    set(library ${folder}/lib${dll}_delay.a)
    if(NOT EXISTS ${library})
      find_library(import_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
      execute_process(COMMAND ${TESSEL_NM} ${import_${dll}}
                      OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
      string(REGEX MATCHALL "${import_prefix}[^\n]+" imports "${symbols}")
      list(TRANSFORM imports REPLACE "${import_prefix}" "")
      list(REMOVE_DUPLICATES imports)
      string(TOUPPER ${dll} name)
      list(JOIN imports "\n" exports)
      file(WRITE ${folder}/${dll}.def "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND ${TESSEL_DLLTOOL} -k -d ${folder}/${dll}.def -y ${library}
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
    target_link_libraries(${target} PRIVATE ${library})
  endforeach()
  target_link_libraries(${target} PRIVATE delayimp)
  tessel_call_through_thunks(${target})
endfunction()
