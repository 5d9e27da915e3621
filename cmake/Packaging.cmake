# Installation and the Debian package: the memtally command goes to bin/ and
# its manual page to share/man/man1/.
include(GNUInstallDirs)

install(TARGETS memtally RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/memtally.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME memtally)
  set(CPACK_PACKAGE_VENDOR "Memtally developers")
  set(CPACK_PACKAGE_CONTACT "Memtally developers <memtally@example.invalid>"
      CACHE STRING "Maintainer named in the Debian package")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "estimate the RAM a BasicX application needs")
  set(CPACK_PACKAGE_DESCRIPTION
      "Memtally reads a BasicX project, scans its BASIC modules for routines, \
the calls between them and the tasks they start, reads the compiler's map \
file and reports the worst-case stack and static RAM the application needs.")
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
