# Installation and the Debian package: the memtally command goes to bin/,
# its manual page to share/man/man1/, the JSON Schema of its --json report
# to share/memtally/ and its bash completion to
# share/bash-completion/completions/.
include(GNUInstallDirs)

install(TARGETS memtally RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/memtally.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/memtally-report.schema.json
                ${PROJECT_SOURCE_DIR}/doc/memtally-problem-matcher.json
          DESTINATION ${CMAKE_INSTALL_DATADIR}/memtally)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/memtally-completion.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME memtally)

  # The package's changelog must describe the version being packaged.
  set(MEMTALLY_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
  file(STRINGS ${MEMTALLY_DEBIAN_DIR}/changelog changelog_top LIMIT_COUNT 1)
  if(NOT changelog_top MATCHES "^memtally \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog does not begin with version "
                        "${PROJECT_VERSION}: ${changelog_top}")
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME memtally)
  set(CPACK_PACKAGE_VENDOR "Memtally developers")
  set(CPACK_PACKAGE_CONTACT "Memtally developers <developers@memtally.org>"
      CACHE STRING "Maintainer named in the Debian package")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "estimate the RAM a BasicX application needs")
  # Debian wraps the long description at 80 columns; CPack indents each line.
  set(CPACK_PACKAGE_DESCRIPTION
      "Memtally reads a BasicX project, scans its BASIC modules for routines,
the calls between them and the tasks they start, and reads the map file
that the compiler wrote for the project. It reports the worst-case stack
over the call graph, tasks included, and the static RAM, so that a build
can check that the application still fits the chip's few hundred bytes of
RAM.")
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # dpkg-shlibdeps (with file) finds the exact library versions; without it
  # the package names the C and C++ runtime libraries unversioned.
  find_program(MEMTALLY_DPKG_SHLIBDEPS dpkg-shlibdeps)
  find_program(MEMTALLY_FILE file)
  if(MEMTALLY_DPKG_SHLIBDEPS AND MEMTALLY_FILE)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
  endif()
  # The copyright file and the changelog of the package, which the
  # pre-build script compresses with the manual page.
  install(FILES ${MEMTALLY_DEBIAN_DIR}/copyright ${MEMTALLY_DEBIAN_DIR}/changelog
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CompressManual.cmake)
  include(CPack)
endif()

if(MEMTALLY_BUILD_TESTS)
  add_test(NAME manual_renders_without_warnings
           COMMAND ${CMAKE_COMMAND} -DMANUAL=${PROJECT_SOURCE_DIR}/doc/memtally.1
                   -DVERSION=${PROJECT_VERSION}
                   -P ${PROJECT_SOURCE_DIR}/tests/manual_test.cmake)
  set_tests_properties(manual_renders_without_warnings PROPERTIES
                       SKIP_REGULAR_EXPRESSION "SKIPPED: ")
endif()
