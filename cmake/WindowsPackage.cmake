# The Windows zip (cpack in the cross build): memtally.exe, the README, the
# JSON Schema of the --json report, the problem matcher of --check and the
# manual page rendered as plain text, in one folder named after the release.

install(TARGETS memtally RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/doc/memtally-report.schema.json
              ${PROJECT_SOURCE_DIR}/doc/memtally-problem-matcher.json
        DESTINATION .)

# The manual page goes in as memtally.txt when groff is there to render it.
set(MEMTALLY_MANUAL_PAGE ${PROJECT_SOURCE_DIR}/doc/memtally.1)
find_program(MEMTALLY_GROFF groff)
if(EXISTS ${MEMTALLY_MANUAL_PAGE} AND MEMTALLY_GROFF)
  set(MEMTALLY_MANUAL_TEXT ${PROJECT_BINARY_DIR}/memtally.txt)
  # Plain ASCII without overstriking or escape sequences, readable in any
  # Windows editor.
  add_custom_command(
    OUTPUT ${MEMTALLY_MANUAL_TEXT}
    COMMAND ${MEMTALLY_GROFF} -t -man -rcR=1 -Tascii -P-c -P-b -P-o -P-u
            ${MEMTALLY_MANUAL_PAGE} > ${MEMTALLY_MANUAL_TEXT}
    DEPENDS ${MEMTALLY_MANUAL_PAGE}
    COMMENT "Rendering the manual page as text"
    VERBATIM)
  add_custom_target(memtally_manual_text ALL DEPENDS ${MEMTALLY_MANUAL_TEXT})
  install(FILES ${MEMTALLY_MANUAL_TEXT} DESTINATION .)
elseif(EXISTS ${MEMTALLY_MANUAL_PAGE})
  message(WARNING "groff not found: the zip will not hold the manual page")
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME memtally)
set(CPACK_PACKAGE_FILE_NAME memtally-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
