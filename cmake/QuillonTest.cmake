# quillon_add_test(NAME SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS ...])
# One GoogleTest executable per test group; CTest runs it (under Wine for the
# Windows build, through the cross-compiling emulator).
function(quillon_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(WIN32)
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# A whole-program test in Python over the command-line programs, named
# NATIVE in the native build and WINE in the Windows one (leave one out to
# have the test in one build only). It gets the programs, a work folder of
# its own (WORK under the build folder) and, for tests with terminals, the
# namespace tag and first address of each build (NATIVE_NET, WINE_NET:
# "TAG ADDRESS"), so both builds' runs never share a test host. NATIVE_ENV
# adds variables to the native run.
function(quillon_cli_script_test script)
  cmake_parse_arguments(T "" "NATIVE;WINE;WORK;TIMEOUT;NATIVE_NET;WINE_NET" "NATIVE_ENV" ${ARGN})
  set(_env "QUILLON_CLI=$<TARGET_FILE:quillon>" "QUILLON_PACKTOOL=$<TARGET_FILE:packtool>"
           "QUILLON_WORK=${CMAKE_BINARY_DIR}/${T_WORK}")
  if(WIN32)
    set(_name ${T_WINE})
    set(_net ${T_WINE_NET})
    list(APPEND _env "QUILLON_CLI_RUNNER=wine" "QUILLON_WINEPREFIX=${CMAKE_BINARY_DIR}/../wineprefix")
  else()
    set(_name ${T_NATIVE})
    set(_net ${T_NATIVE_NET})
    list(APPEND _env "QUILLON_CLI_RUNNER=" ${T_NATIVE_ENV})
  endif()
  if(NOT _name)
    return()
  endif()
  if(_net)
    separate_arguments(_net)
    list(GET _net 0 _tag)
    list(GET _net 1 _base)
    list(APPEND _env "QUILLON_NETNS_TAG=${_tag}" "QUILLON_ADDRESS_BASE=${_base}")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 900)
  endif()
  add_test(NAME ${_name} COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/${script})
  set_tests_properties(${_name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${_env}")
endfunction()
