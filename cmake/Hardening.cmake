# Hardening of what the project ships: the compiler and linker flags that
# Debian's dpkg-buildflags gives a package (with bindnow), for the program,
# its libraries and the helpers built from the product folders. They are
# directory options: tolvane_hardening(ON) before the product folders are
# added, tolvane_hardening(OFF) after them, so that the tests, which are not
# shipped, keep their own flags (and their compiler cache). A user's own
# CMAKE_CXX_FLAGS stay untouched.
#
#   -fstack-protector-strong, -Wformat -Werror=format-security  (CFLAGS)
#   -Wdate-time -D_FORTIFY_SOURCE=2                             (CPPFLAGS)
#   -Wl,-z,relro -Wl,-z,now                                     (LDFLAGS)
#
# Position-independent executables are Debian's compiler default.
# _FORTIFY_SOURCE needs optimisation, so it is given only to the optimised
# build types, and not to a sanitizer build (TOLVANE_FUZZ or -fsanitize in
# the flags), where it would hide faults from the sanitizer.
option(TOLVANE_HARDENING "Build what is shipped with Debian's hardening flags" ON)

macro(tolvane_hardening state)
  if("${state}")
    get_directory_property(TOLVANE_UNHARDENED_COMPILE_OPTIONS COMPILE_OPTIONS)
    get_directory_property(TOLVANE_UNHARDENED_LINK_OPTIONS LINK_OPTIONS)
    if(TOLVANE_HARDENING)
      add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security -Wdate-time)
      if(NOT TOLVANE_FUZZ AND NOT "${CMAKE_CXX_FLAGS}" MATCHES "-fsanitize")
        add_compile_options(
          "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
      endif()
      add_link_options(LINKER:-z,relro LINKER:-z,now)
    endif()
  else()
    set_directory_properties(PROPERTIES
      COMPILE_OPTIONS "${TOLVANE_UNHARDENED_COMPILE_OPTIONS}"
      LINK_OPTIONS "${TOLVANE_UNHARDENED_LINK_OPTIONS}")
  endif()
endmacro()
