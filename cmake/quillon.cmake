# Shared build settings for every Quillon target.

# Warnings for our own code only.
function(quillon_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# quillon_library(name SOURCES ... DEPS ...): one static library per subsystem,
# with include paths rooted at the project ("text/text.h").
function(quillon_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  quillon_warnings(${name})
endfunction()

# quillon_test(name SOURCES ... DEPS ... [LABELS ...]): one GoogleTest executable,
# registered with CTest. Each test binary runs in its own working directory.
function(quillon_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  quillon_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
