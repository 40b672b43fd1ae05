# Compiler settings and the helpers that the test directories use.

add_compile_options(-Wall -Wextra -Wpedantic -Werror)

if(WIN32)
  # The module and its tools carry no compiler run-time DLL: libgcc, libstdc++ and winpthread
  # are linked in.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
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

include(GoogleTest)

if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(ZMT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(ZMT_WINE_RUN "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")
  # add_test() runs every target of this build through Wine, in the build's own prefix.
  set(CMAKE_CROSSCOMPILING_EMULATOR "${ZMT_WINE_RUN};${ZMT_WINEPREFIX}")
endif()

# zmt_native_test(<name> SOURCES ... LIBS ...): a GoogleTest suite of the portable core.
function(zmt_native_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
endfunction()

# zmt_wine_test(<name> SOURCES ... LIBS ... [DEPENDS targets...] [TIMEOUT s]): a GoogleTest suite
# that runs under Wine as one ctest entry (one Wine start per suite keeps the bench fast).
function(zmt_wine_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/wine)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wineprefix LABELS wine
                       TIMEOUT ${ARG_TIMEOUT})
endfunction()
