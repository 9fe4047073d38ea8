# Compiler settings and helpers shared by every target of the suite.

if(SUITE_WINDOWS)
  # Code page 932 programs: narrow literals become Shift-JIS, sources stay UTF-8.
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP932)
  add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
  # Stand-alone binaries: no MinGW runtime DLL beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
  enable_language(RC)
endif()
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

set(SUITE_RES_DIR ${CMAKE_SOURCE_DIR}/cmake/res)

# suite_version_resource(target DESCRIPTION ORIGINAL_NAME [MANIFEST])
# Every Windows binary carries a version resource; programs also the manifest
# that turns on visual styles and declares DPI awareness.
function(suite_version_resource target description original)
  cmake_parse_arguments(V "MANIFEST" "" "" ${ARGN})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  set(SUITE_FILE_DESCRIPTION "${description}")
  set(SUITE_ORIGINAL_NAME "${original}")
  set(SUITE_VERSION_COMMA "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(SUITE_MANIFEST_LINE "")
  if(V_MANIFEST)
    set(SUITE_MANIFEST_LINE "1 24 \"${SUITE_RES_DIR}/program.manifest\"")
  endif()
  configure_file(${SUITE_RES_DIR}/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# suite_test(name SOURCES... LIBS ...): a GoogleTest program, run by CTest
# (under Wine in the Windows tree, through the cross-compiling emulator).
function(suite_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "SUITE_TESTDATA=${SUITE_TESTDATA};${T_ENV}")
  if(SUITE_WINDOWS)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_display)
  endif()
endfunction()
