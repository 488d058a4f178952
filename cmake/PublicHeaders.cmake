# tolvane_public_headers(target HEADERS a.h b.h ...): the headers of the
# current folder that other folders may include, as "<folder>/a.h". They
# are linked into a folder of the target's own in the build tree, which is
# the target's public include path; every other header of the folder stays
# private, so that including one from another folder fails to build and the
# build itself keeps the layers apart. A header-only (INTERFACE) target gets
# the folder as its interface include path instead.
function(tolvane_public_headers target)
  cmake_parse_arguments(P "" "" "HEADERS" ${ARGN})
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${CMAKE_BINARY_DIR}/public/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  foreach(header ${P_HEADERS})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${root}>)
  else()
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
  endif()
endfunction()
