# RUNPATHs without empty entries. An empty entry (a doubled or trailing ':')
# makes the dynamic loader search the current folder, so that a library
# planted there would run. CMake pads the build tree's RUNPATH of every
# target it will install with such entries, to make room for the installed
# RUNPATH it writes over it when installing. So what is installed is linked
# with its installed, $ORIGIN-relative RUNPATH from the start, and the build
# tree is laid out for that to work: the project's shared libraries (and the
# helper regsvr) are built into BUILD/lib/tolvane, where the installation
# puts them, one folder below the build folder like bin/ (the program is
# built in BUILD/app). Targets that are not installed (tests, build tools)
# keep CMake's absolute build RUNPATH, which has no padding.
# tests/hardening/runpath_check.sh checks every ELF file of the build.

# Call before the product folders are added.
macro(tolvane_installed_layout)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${TOLVANE_INSTALL_LIBDIR})
endmacro()

# tolvane_installed_runpath(program...): called right after the product
# folders are added, links every shared library made in the folders added
# so far (and their subfolders) and the installed programs named with their
# installed RUNPATH, and lets the folders that follow (the tests) build
# their libraries where they are made.
function(tolvane_installed_runpath)
  get_property(pending DIRECTORY PROPERTY SUBDIRECTORIES)
  while(pending)
    list(POP_FRONT pending dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND pending ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
        set_target_properties(${target} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
      endif()
    endforeach()
  endwhile()
  set_target_properties(${ARGN} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
  unset(CMAKE_LIBRARY_OUTPUT_DIRECTORY PARENT_SCOPE)
endfunction()
