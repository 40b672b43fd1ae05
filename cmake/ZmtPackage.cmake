# The release that an integrator installs. `cmake --build --preset win32 --target package` (or
# win64) writes into build/<preset>/package, each archive unpacking into a folder of its own name:
#   ZMTCheck-<version>-<preset>.zip          the stripped module and diagnostic host, the SDK
#                                            header, the guide with its dialog pictures, the list
#                                            of changes and SHA256SUMS of every other file in it;
#   ZMTCheck-<version>-<preset>-symbols.zip  the two programs' debug symbols (<file>.debug), which
#                                            the stripped files name in their .gnu_debuglink.

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZMT_PACKAGE_SYSTEM win32)
else()
  set(ZMT_PACKAGE_SYSTEM win64)
endif()
set(ZMT_PACKAGE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${ZMT_PACKAGE_SYSTEM})
set(ZMT_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(ZMT_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(ZMT_GUIDE ${PROJECT_SOURCE_DIR}/docs/integrators-guide.md)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZMT_RELEASE_TOOL ${PROJECT_SOURCE_DIR}/cmake/zmt_release.py)

# zmt_release_binary(<target> <file name>): the target's file as the till gets it, without its
# debug information, and <file name>.debug with the symbols that support reads a crash address
# with. The module checks (scripts/check-module.sh) have run on the linked file by then: they need
# its symbol table. The link's time stamp is the sources' date, and the stripped file is padded for
# signing (cmake/zmt_release.py).
function(zmt_release_binary target file)
  set(stripped ${ZMT_RELEASE_DIR}/${file})
  # objcopy writes the time of its run into the files it makes, as ld does: both get the date.
  set(dated ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ZMT_SOURCE_DATE_EPOCH})
  set_target_properties(${target} PROPERTIES C_LINKER_LAUNCHER "${dated}"
                                             CXX_LINKER_LAUNCHER "${dated}")
  add_custom_command(OUTPUT ${stripped} ${stripped}.debug
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZMT_RELEASE_DIR}
    COMMAND ${dated} ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${stripped}.debug
    COMMAND ${dated} ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${stripped}.debug
            $<TARGET_FILE:${target}> ${stripped}
    COMMAND ${Python3_EXECUTABLE} ${ZMT_RELEASE_TOOL} pad ${stripped}
    DEPENDS ${target} ${ZMT_RELEASE_TOOL}
    COMMENT "Splitting the debug symbols from ${file}"
    VERBATIM)
  add_custom_target(${target}-release ALL DEPENDS ${stripped} ${stripped}.debug)
  install(PROGRAMS ${stripped} DESTINATION ${ZMT_PACKAGE_NAME} COMPONENT runtime)
  install(FILES ${stripped}.debug DESTINATION ${ZMT_PACKAGE_NAME}-symbols COMPONENT symbols)
endfunction()

zmt_release_binary(ZMTCheck ZMTCheck.dll)
zmt_release_binary(kvhost kvhost.exe)
install(FILES ${PROJECT_SOURCE_DIR}/include/kvplugin.h DESTINATION ${ZMT_PACKAGE_NAME}/include
        COMPONENT runtime)
install(FILES ${ZMT_GUIDE} DESTINATION ${ZMT_PACKAGE_NAME}/docs COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/CHANGES.md DESTINATION ${ZMT_PACKAGE_NAME} COMPONENT runtime)

# The guide's pictures are the dialogs as the Wine suites render them, taken when the package is
# made (rendered anew where they are missing or older than the suite that makes them).
install(CODE "
  execute_process(COMMAND bash [[${PROJECT_SOURCE_DIR}/scripts/guide-pictures.sh]]
                          [[${CMAKE_BINARY_DIR}]] ${ZMT_PACKAGE_SYSTEM} [[${ZMT_GUIDE}]]
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ZMT_PACKAGE_NAME}/docs/images\"
                  COMMAND_ERROR_IS_FATAL ANY)" COMPONENT runtime)

# The shipped programs signed with the integrator's certificate, where one is named.
find_program(ZMT_OSSLSIGNCODE osslsigncode)
install(CODE "
  set(zmt_sign_files \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ZMT_PACKAGE_NAME}/ZMTCheck.dll\"
                     \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ZMT_PACKAGE_NAME}/kvhost.exe\")
  set(zmt_sign_description ${PROJECT_NAME})
  set(zmt_osslsigncode [[${ZMT_OSSLSIGNCODE}]])
  set(zmt_sign_scratch [[${CMAKE_BINARY_DIR}/signing]])" COMPONENT runtime)
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/ZmtSign.cmake COMPONENT runtime)

# Last in each archive: the sums of everything installed before them.
foreach(component runtime symbols)
  set(folder ${ZMT_PACKAGE_NAME})
  if(component STREQUAL symbols)
    string(APPEND folder -symbols)
  endif()
  install(CODE "set(folder ${folder})" COMPONENT ${component})
  install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${folder}")
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
    list(REMOVE_ITEM files SHA256SUMS)
    list(SORT files)
    set(sums "")
    foreach(file IN LISTS files)
      file(SHA256 "${root}/${file}" sum)
      string(APPEND sums "${sum} *${file}\n")
    endforeach()
    file(WRITE "${root}/SHA256SUMS" "${sums}")
  ]] COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR Tessinor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${ZMT_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${ZMT_PACKAGE_DIR})
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime symbols)
set(CPACK_ARCHIVE_RUNTIME_FILE_NAME ${ZMT_PACKAGE_NAME})
set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME ${ZMT_PACKAGE_NAME}-symbols)
set(CPACK_VERBATIM_VARIABLES ON)
# CPack's archives hold the times, owners and modes of the staged files, in the order it found them;
# they are written anew in a fixed order with fixed times and modes.
set(CPACK_ZMT_RELEASE_COMMAND ${Python3_EXECUTABLE} ${ZMT_RELEASE_TOOL} zip ${ZMT_SOURCE_DATE_EPOCH})
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/ZmtArchives.cmake)
include(CPack)
