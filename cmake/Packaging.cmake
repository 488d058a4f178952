# The Debian package: `cpack -G DEB` in the build folder makes
# tolvane_<version>_<arch>.deb, which `apt install ./tolvane_*.deb` installs
# with every library the binaries need (Depends is computed from them by
# dpkg-shlibdeps, so the build needs dpkg-dev). The package holds what
# `cmake --install` lays out under /usr and nothing of the tests or
# benchmarks. Its install scripts register the component servers (Brellox
# and the library it uses) in the machine-wide component registry with the
# installed regsvr, so that every user of the machine can use Change and
# Delete at once, and take them out again when the package is removed.
# Debian's checker, lintian, accepts it without an error or a warning: it
# carries a machine-readable copyright file and a changelog (below), the
# program's manual page (docs/man), and binaries built with Debian's
# hardening flags (Hardening.cmake).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged with DESTDIR set, so that installing does not register the staged
# libraries for the user who packs (com_register_server).
# A staged install installs into DESTDIR/CPACK_INSTALL_PREFIX.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(TOLVANE_PACKAGE_MAINTAINER "Arkelby developers <arkelby@example.invalid>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${TOLVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOLVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Arkelby, a register of filed documents")
# The long description; CPack puts the summary above it as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Arkelby keeps one record per filed document (its ID, a description, a type,
a date, the person it concerns and a note), lists them filtered and sorted,
adds, changes and deletes them, and prints a column report. Several people
can work in one register at once: a file in a shared folder or a database
on a PostgreSQL server.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  "${CPACK_PACKAGING_INSTALL_PREFIX}/${TOLVANE_INSTALL_LIBDIR}")
# The report asks for Arial, which Liberation Sans stands in for. Scans are
# read with Tesseract's English data, which the package's libraries (found
# by dpkg-shlibdeps) do not bring.
if(TOLVANE_OCR)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS tesseract-ocr-eng)
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation2)

# The install scripts. The machine-wide registry is where the installed
# component runtime looks for a /usr installation (machine_registry.h).
set(TOLVANE_DEB_REGSVR "${CPACK_PACKAGING_INSTALL_PREFIX}/${TOLVANE_INSTALL_LIBDIR}/regsvr")
set(TOLVANE_DEB_MACHINE_REGISTRY /var/lib/tolvane/com-registry)
get_property(servers GLOBAL PROPERTY TOLVANE_COM_SERVERS)
set(TOLVANE_DEB_SERVERS "")
foreach(server IN LISTS servers)
  get_target_property(name ${server} OUTPUT_NAME)
  if(NOT name)
    set(name ${server})
  endif()
  string(APPEND TOLVANE_DEB_SERVERS
    " ${CPACK_PACKAGING_INSTALL_PREFIX}/${TOLVANE_INSTALL_LIBDIR}/"
    "${CMAKE_SHARED_LIBRARY_PREFIX}${name}${CMAKE_SHARED_LIBRARY_SUFFIX}")
endforeach()
string(STRIP "${TOLVANE_DEB_SERVERS}" TOLVANE_DEB_SERVERS)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "")
foreach(script postinst prerm postrm)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/${script}.in
    ${CMAKE_BINARY_DIR}/debian/${script} @ONLY)
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# The package's documents, installed with every installation: the copyright
# file in Debian's machine-readable format and the changelog, compressed as
# Debian wants it (gzip -9n: no name or time stamp inside).
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog
  @ONLY)
set(TOLVANE_DEB_CHANGELOG ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(
  OUTPUT ${TOLVANE_DEB_CHANGELOG}
  COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/debian/changelog > ${TOLVANE_DEB_CHANGELOG}
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
  COMMENT "Compressing the package's changelog")
add_custom_target(deb_changelog ALL DEPENDS ${TOLVANE_DEB_CHANGELOG})
install(FILES ${TOLVANE_DEB_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
