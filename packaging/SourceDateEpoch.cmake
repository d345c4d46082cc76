# Read by cpack before it makes a package (CPACK_PROJECT_CONFIG_FILE). CPack
# dates the package's files and archives by SOURCE_DATE_EPOCH; where that is
# unset, this sets it to the time of the commit being packaged, so that every
# package of one commit has the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_SEDARIO_SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(failed OR NOT epoch MATCHES "^[0-9]+$")
        message(FATAL_ERROR "Set SOURCE_DATE_EPOCH to date the package: "
            "${CPACK_SEDARIO_SOURCE_DIR} is not a Git checkout to take the commit time from")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
