# Shared build rules for our own targets: strict warnings, optional sanitizers.
set(HALVORN_WARNINGS -Wall -Wextra -Werror)
if(HALVORN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
# gcov instrumentation for scripts/coverage.
if(HALVORN_COVERAGE)
  add_compile_options(--coverage)
  add_link_options(--coverage)
endif()

# Number of commits at configure time; 0 outside a git checkout.
execute_process(COMMAND git rev-list --count HEAD
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  OUTPUT_VARIABLE HALVORN_BUILD_NUMBER OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_QUIET RESULT_VARIABLE _git_result)
if(NOT _git_result EQUAL 0 OR HALVORN_BUILD_NUMBER STREQUAL "")
  set(HALVORN_BUILD_NUMBER 0)
endif()

# One static library per subsystem folder, built from every source in it.
# A folder without sources yet becomes an interface library so that
# dependants can already name it.
function(halvorn_subsystem_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;EXTRA_SOURCES" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(APPEND _sources ${ARG_EXTRA_SOURCES})
  if(_sources)
    file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${_sources} ${_headers})
    target_compile_options(${name} PRIVATE ${HALVORN_WARNINGS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()

# One test executable per *_test.cpp file in the calling folder.
function(halvorn_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  get_filename_component(_dir ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(_src ${_tests})
    get_filename_component(_base ${_src} NAME_WE)
    set(_target ${_dir}_${_base})
    add_executable(${_target} ${_src})
    target_compile_options(${_target} PRIVATE ${HALVORN_WARNINGS})
    target_link_libraries(${_target} PRIVATE ${ARG_LIBS} halvorn_test_support GTest::gtest GTest::gmock)
    gtest_discover_tests(${_target}
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
      DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()
