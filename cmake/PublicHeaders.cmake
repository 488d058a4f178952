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

# tolvane_private_headers(target lib...): white-box access for one program
# (a test, a benchmark, a fuzz target) to the private headers of the
# libraries named. The library's source folder is linked into
# build/private/<lib> under its own folder name, so the program includes a
# private header by the same "<folder>/x.h" path as a public one and the
# header's includes of its siblings resolve as in the library's own build.
# Every other library stays reachable through its public headers only.
function(tolvane_private_headers target)
  foreach(lib ${ARGN})
    get_target_property(dir ${lib} SOURCE_DIR)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${dir})
    set(root ${CMAKE_BINARY_DIR}/private/${lib})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${dir} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} PRIVATE ${root})
  endforeach()
endfunction()
