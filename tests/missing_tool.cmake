# Stands in for a test whose tool was not found when the build was
# configured: skipped (the output says SKIPPED), or failed when
# MEMTALLY_REQUIRE_DOCUMENT_TOOLS is set in the environment.
#
#   cmake -DTOOL=python3 -P missing_tool.cmake

if(DEFINED ENV{MEMTALLY_REQUIRE_DOCUMENT_TOOLS})
  message(FATAL_ERROR "${TOOL} is needed for this test but was not found "
                      "when the build was configured")
endif()
message("SKIPPED: ${TOOL} was not found when the build was configured")
