# Helpers that keep the build files stable while the tree grows: a new source
# file, unit test or end-to-end case is picked up without editing CMake.

# halcyn_library(NAME DIR [DEPS...] [EXCLUDE file...])
function(halcyn_library name dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${dir}/${ex})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_UNPARSED_ARGUMENTS} m)
  else()
    # Header-only so far: still a target, so dependants can name it.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_UNPARSED_ARGUMENTS} m)
  endif()
endfunction()

# halcyn_program(NAME MAIN LIB): the program lands at build/NAME.
function(halcyn_program name main lib)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${main})
    add_executable(${name} ${CMAKE_SOURCE_DIR}/${main})
    target_link_libraries(${name} PRIVATE ${lib})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()
endfunction()
