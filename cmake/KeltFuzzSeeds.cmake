# Seed inputs of the fuzz targets as ordinary tests, in every build and with any
# compiler: each fuzz target gets a twin program made of the same sources and
# libraries around fuzz/SeedReplayMain.cpp, which runs the target once on every
# seed file (no fuzzing). An input that aborts or trips a sanitizer fails the test.
#
#   kelt_fuzz_seed_test(<fuzz target> [SEEDS <folder>])
#
# Call it after the target's add_executable and its target_* lines. The seeds
# default to fuzz/seeds/<target without its "fuzz-" prefix>; the test is named
# <target>.seeds and carries the label "fuzz-seeds".
function(kelt_fuzz_seed_test target)
  cmake_parse_arguments(ARG "" "SEEDS" "" ${ARGN})
  if(NOT ARG_SEEDS)
    string(REGEX REPLACE "^fuzz-" "" seed_name ${target})
    set(ARG_SEEDS ${PROJECT_SOURCE_DIR}/fuzz/seeds/${seed_name})
  endif()
  if(NOT IS_DIRECTORY ${ARG_SEEDS})
    message(FATAL_ERROR "kelt_fuzz_seed_test(${target}): no seed folder ${ARG_SEEDS}")
  endif()
  # The thread-sanitizer build runs only the threaded tests.
  if(KELT_SANITIZE_THREAD)
    return()
  endif()

  set(replay ${target}-seeds)
  get_target_property(sources ${target} SOURCES)
  add_executable(${replay} ${sources} ${PROJECT_SOURCE_DIR}/fuzz/SeedReplayMain.cpp)
  target_compile_options(${replay} PRIVATE ${KELT_WARNINGS})
  foreach(property INCLUDE_DIRECTORIES COMPILE_DEFINITIONS LINK_LIBRARIES)
    get_target_property(value ${target} ${property})
    if(value)
      set_property(TARGET ${replay} PROPERTY ${property} ${value})
    endif()
  endforeach()
  add_test(NAME ${target}.seeds COMMAND ${replay} ${ARG_SEEDS})
  set_tests_properties(${target}.seeds PROPERTIES LABELS fuzz-seeds TIMEOUT 300)
endfunction()

# Without libFuzzer a fuzz target has no main(): in such a build every program of the
# calling folder but the replay twins is left out of "all", also a target added
# without its seed test. Runs once the folder's CMakeLists.txt has been read.
function(kelt_fuzz_leave_out_fuzzers)
  if(KELT_BUILD_FUZZ)
    return()
  endif()
  get_property(targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" AND NOT target MATCHES "-seeds$")
      set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL TRUE)
    endif()
  endforeach()
endfunction()
