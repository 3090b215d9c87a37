# Shared build settings and helpers for the project's targets.

set(KELT_WARNINGS -Wall -Wextra -Werror)
# -O2 as distributions build: GCC 12's -O3 inlining makes -Wrestrict and
# -Warray-bounds report false positives inside libstdc++'s own string code.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "" FORCE)
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "" FORCE)
set(KELT_SANITIZER_FLAGS "")
if(KELT_SANITIZE_ADDRESS)
  set(KELT_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(KELT_SANITIZE_THREAD)
  set(KELT_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()
if(KELT_SANITIZER_FLAGS)
  add_compile_options(${KELT_SANITIZER_FLAGS})
  add_link_options(${KELT_SANITIZER_FLAGS})
endif()

# Every library and program includes headers by their path from the top of the
# tree ("framework/media/CMedia.h"), so names never collide between folders.
function(kelt_target_defaults target)
  target_compile_options(${target} PRIVATE ${KELT_WARNINGS})
  target_compile_definitions(${target} PUBLIC
    KELT_VENDOR_ID=${KELT_VENDOR_ID} KELT_PRODUCT_ID=${KELT_PRODUCT_ID})
endfunction()

# A static library made of every source under the calling folder (sub-folders
# included), except those listed after EXCLUDE.
function(kelt_folder_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;LINK" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ex}")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
    kelt_target_defaults(${name})
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
    target_compile_definitions(${name} INTERFACE
      KELT_VENDOR_ID=${KELT_VENDOR_ID} KELT_PRODUCT_ID=${KELT_PRODUCT_ID})
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
endfunction()

# One GoogleTest program made of every test source in the calling folder.
function(kelt_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK;LABELS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  kelt_target_defaults(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    KELT_BINARY_DIR="${PROJECT_BINARY_DIR}" KELT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_LABELS}")
endfunction()
