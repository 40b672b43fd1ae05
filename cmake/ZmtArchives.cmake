# CPack runs this after making the archives, before it copies them into the package folder.
execute_process(COMMAND ${CPACK_ZMT_RELEASE_COMMAND} ${CPACK_PACKAGE_FILES} COMMAND_ERROR_IS_FATAL ANY)
