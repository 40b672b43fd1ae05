# Compiler settings and the helpers that the test directories use.

add_compile_options(-Wall -Wextra -Wpedantic -Werror)

if(WIN32)
  # The tills run Windows XP SP3 (i686) and XP x64 / Server 2003 (x86_64). Compiling for that
  # floor makes the headers refuse what those systems lack, and the PE headers ask for no more,
  # so that XP's loader starts the programs. tests/wine/imports checks what they import.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ZMT_WINDOWS_FLOOR_VERSION 5.1)
  else()
    set(ZMT_WINDOWS_FLOOR_VERSION 5.2)
  endif()
  string(REPLACE "." ";" floor_parts ${ZMT_WINDOWS_FLOOR_VERSION})
  list(GET floor_parts 0 floor_major)
  list(GET floor_parts 1 floor_minor)
  set(floor_hex 0x0${floor_major}0${floor_minor})
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=${floor_hex} WINVER=${floor_hex})
  add_link_options(
    "LINKER:--major-os-version,${floor_major},--minor-os-version,${floor_minor}"
    "LINKER:--major-subsystem-version,${floor_major},--minor-subsystem-version,${floor_minor}")
  # Test and benchmark programs run under Wine only and may call what later systems have. The
  # product code that they link stays built for the floor: its headers never differ in layout
  # between the two.
  macro(zmt_test_windows_target)
    get_directory_property(zmt_defs COMPILE_DEFINITIONS)
    list(FILTER zmt_defs EXCLUDE REGEX "^(_WIN32_WINNT|WINVER)=")
    list(APPEND zmt_defs _WIN32_WINNT=0x0601 WINVER=0x0601)
    set_directory_properties(PROPERTIES COMPILE_DEFINITIONS "${zmt_defs}")
  endmacro()
  # The module and its tools carry no compiler run-time DLL: libgcc and libstdc++ are linked in.
  add_link_options(-static -static-libgcc -static-libstdc++)

  # The same commit builds the same bytes wherever and whenever it is built, so that an integrator
  # can rebuild a release and compare. ld writes SOURCE_DATE_EPOCH into the PE header and the export
  # directory in place of the time of the link (cmake/ZmtPackage.cmake gives it to the shipped
  # programs' links only, so that a commit relinks no test); unset, it is the commit's date (read
  # again at each commit), else 0.
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ZMT_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  else()
    set(ZMT_SOURCE_DATE_EPOCH 0)
    execute_process(COMMAND git rev-parse --show-toplevel WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(top AND top STREQUAL PROJECT_SOURCE_DIR)
      execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE ZMT_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE)
      execute_process(COMMAND git rev-parse --git-path HEAD --symbolic-full-name HEAD
                      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE git_paths
                      OUTPUT_STRIP_TRAILING_WHITESPACE)
      string(REPLACE "\n" ";" git_paths "${git_paths}")
      list(GET git_paths 0 head_file)
      set(commit_files ${head_file})
      list(LENGTH git_paths count)
      if(count GREATER 1)
        list(GET git_paths 1 ref)
        execute_process(COMMAND git rev-parse --git-path ${ref} --git-path packed-refs
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE ref_files
                        OUTPUT_STRIP_TRAILING_WHITESPACE)
        string(REPLACE "\n" ";" ref_files "${ref_files}")
        list(APPEND commit_files ${ref_files})
      endif()
      foreach(file IN LISTS commit_files)
        cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${PROJECT_SOURCE_DIR})
        if(EXISTS ${file})
          set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
        endif()
      endforeach()
    else()
      message(STATUS "SOURCE_DATE_EPOCH is unset and the sources are no git checkout: "
                     "the PE time stamps are 0")
    endif()
  endif()
  if(NOT ZMT_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970: ${ZMT_SOURCE_DATE_EPOCH}")
  endif()
  # Debug information names the sources under one fixed root instead of the build's folders. Not
  # -ffile-prefix-map: it maps the coverage notes' paths too, which gcov then cannot follow.
  set(ZMT_SOURCE_ROOT /usr/src/${PROJECT_NAME}-${PROJECT_VERSION})
  set(prefix_maps ${PROJECT_SOURCE_DIR}=${ZMT_SOURCE_ROOT})
  cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${CMAKE_BINARY_DIR} binary_inside)
  if(NOT binary_inside)
    cmake_path(GET CMAKE_BINARY_DIR FILENAME binary_name)
    list(APPEND prefix_maps ${CMAKE_BINARY_DIR}=${ZMT_SOURCE_ROOT}/build/${binary_name})
  endif()
  foreach(map IN LISTS prefix_maps)
    add_compile_options(-fdebug-prefix-map=${map} -fmacro-prefix-map=${map})
  endforeach()
  # Tests find their fixtures (DLLs, service programs, versioned executables) beside themselves.
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
endif()

if(ZMT_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest from Debian's sources, built with whatever compiler this build uses.
set(ZMT_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${ZMT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(WIN32)
  # The win32 thread model's standard library has no std::mutex, which GoogleTest's Notification
  # wants; the suites that link GoogleTest get it built on a Windows event instead.
  target_compile_options(gtest PUBLIC "SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/GTestWin32Threads.h")
endif()

include(GoogleTest)

if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(ZMT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(ZMT_WINE_RUN "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")
  # add_test() runs every target of this build through Wine, in the build's own prefix.
  set(CMAKE_CROSSCOMPILING_EMULATOR "${ZMT_WINE_RUN};${ZMT_WINEPREFIX}")
  # The i686 build's Wine entries pass a gate: where the machine runs 32-bit programs only under
  # emulation, the smoke entries run and the others report ctest's skip code with the reason. The
  # gate only checks that the emulation works; scripts/setup.sh registers it with the kernel.
  # The database suites reach a SQLite file through the OLE DB provider for ODBC, which Wine hands
  # to the machine's unixODBC: a data source "localhost" of the build's own, found through ODBCINI.
  set(ZMT_ODBC_DIR "${CMAKE_BINARY_DIR}/odbc")
  file(WRITE "${ZMT_ODBC_DIR}/odbc.ini"
       "[localhost]\nDescription=POS database of the test bench\nDriver=SQLite3\n"
       "Database=${ZMT_ODBC_DIR}/pos.db\nTimeout=2000\n")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ZMT_I686_GATE bash ${CMAKE_SOURCE_DIR}/scripts/i686.sh gate)
  endif()
endif()

# zmt_add_wine_entry(<name> [I686_SMOKE] [PREFIX_SETUP] [TIMEOUT s] COMMAND ...): a ctest entry
# that runs under Wine in the build's prefix. I686_SMOKE keeps it running where i686 is only
# emulated; PREFIX_SETUP marks the entry that makes the prefix.
function(zmt_add_wine_entry name)
  cmake_parse_arguments(ARG "I686_SMOKE;PREFIX_SETUP" "TIMEOUT" "COMMAND" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set(gate)
  if(ZMT_I686_GATE AND ARG_I686_SMOKE)
    set(gate ${ZMT_I686_GATE} smoke)
  elseif(ZMT_I686_GATE)
    set(gate ${ZMT_I686_GATE} full)
  endif()
  set(fixture FIXTURES_REQUIRED)
  if(ARG_PREFIX_SETUP)
    set(fixture FIXTURES_SETUP)
  endif()
  add_test(NAME ${name} COMMAND ${gate} ${ARG_COMMAND})
  set_tests_properties(${name} PROPERTIES ${fixture} wineprefix LABELS wine
                       TIMEOUT ${ARG_TIMEOUT} SKIP_RETURN_CODE 77
                       ENVIRONMENT "ODBCINI=${ZMT_ODBC_DIR}/odbc.ini")
endfunction()

# zmt_native_test(<name> SOURCES ... LIBS ...): a GoogleTest suite of the portable core.
function(zmt_native_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
endfunction()

# zmt_wine_test(<name> SOURCES ... LIBS ... [DEPENDS targets...] [TIMEOUT s] [I686_SMOKE]): a
# GoogleTest suite that runs under Wine as one ctest entry (one Wine start per suite keeps the
# bench fast).
function(zmt_wine_test name)
  cmake_parse_arguments(ARG "I686_SMOKE" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  set(entry_options)
  if(ARG_I686_SMOKE)
    list(APPEND entry_options I686_SMOKE)
  endif()
  if(ARG_TIMEOUT)
    list(APPEND entry_options TIMEOUT ${ARG_TIMEOUT})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zmt_wine_test_support GTest::gmock
                                        GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/wine)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  zmt_add_wine_entry(${name} ${entry_options}
    COMMAND ${ZMT_WINE_RUN} ${ZMT_WINEPREFIX} $<TARGET_FILE:${name}> --gtest_color=no)
endfunction()

# zmt_fuzz_library(<name> <sources>...): the portable sources of a unit again, with coverage
# instrumentation for the fuzzers.
function(zmt_fuzz_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC zmt_rtl)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
endfunction()

# zmt_fuzzer(<name> <source> <library>): a libFuzzer target over a fuzz-instrumented library of the
# portable core. The test suite replays its checked-in corpus (corpus/<name> beside the source);
# `cmake --build --preset native --target fuzz` fuzzes every target for ZMT_FUZZ_SECONDS, keeping
# what it finds in the build tree.
set(ZMT_FUZZ_SECONDS 60 CACHE STRING "Seconds that the fuzz target gives each fuzzer")
function(zmt_fuzzer name source library)
  if(NOT TARGET fuzz)
    add_custom_target(fuzz)
  endif()
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${library})

  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  file(GLOB inputs CONFIGURE_DEPENDS ${corpus}/*)
  add_test(NAME ${name}-corpus COMMAND ${name} ${inputs})
  set_tests_properties(${name}-corpus PROPERTIES LABELS "native;fuzz")

  set(found ${CMAKE_CURRENT_BINARY_DIR}/fuzz-corpus/${name})
  add_custom_target(${name}-run
    COMMAND ${CMAKE_COMMAND} -E make_directory ${found}
    COMMAND ${name} -max_total_time=${ZMT_FUZZ_SECONDS} -print_final_stats=1 ${found} ${corpus}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DEPENDS ${name}
    USES_TERMINAL VERBATIM)
  add_dependencies(fuzz ${name}-run)
endfunction()
