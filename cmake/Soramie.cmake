# SPDX-License-Identifier: MIT
# Compile settings shared by every SORAMIE target, as INTERFACE targets that a
# target links:
#   soramie_options      C++20, warnings; -Werror when SORAMIE_WERROR is on (the ci presets)
#   soramie_strict       soramie_options plus the conversion warnings of the window-free layers
#   soramie_qt_options   soramie_options plus the string-safety macros of the Qt code

add_library(soramie_options INTERFACE)
target_compile_features(soramie_options INTERFACE cxx_std_20)
target_compile_options(soramie_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Wcast-qual
  $<$<BOOL:${SORAMIE_WERROR}>:-Werror>)

add_library(soramie_strict INTERFACE)
target_link_libraries(soramie_strict INTERFACE soramie_options)
target_compile_options(soramie_strict INTERFACE -Wconversion -Wsign-conversion)

add_library(soramie_qt_options INTERFACE)
target_link_libraries(soramie_qt_options INTERFACE soramie_options)
target_compile_definitions(soramie_qt_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)

if(SORAMIE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  # Tests that limit the address space skip themselves: TSan reserves more than any limit leaves.
  add_compile_definitions(SORAMIE_SANITIZED)
elseif(SORAMIE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # Tests that limit the address space skip themselves: ASan reserves more than any limit leaves.
  add_compile_definitions(SORAMIE_SANITIZED)
endif()
if(SORAMIE_FUZZ)
  # Libraries get coverage instrumentation; fuzz targets link the libFuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# soramie_library(name SOURCES ... LINKS ... [OPTIONS target]): one static library
# per layer; headers are included as "layer/file.h" from src/. OPTIONS names the
# options target (default soramie_strict; the Qt layers pass soramie_qt_options).
function(soramie_library name)
  cmake_parse_arguments(ARG "" "OPTIONS" "SOURCES;LINKS" ${ARGN})
  if(NOT ARG_OPTIONS)
    set(ARG_OPTIONS soramie_strict)
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE ${ARG_OPTIONS})
endfunction()

# soramie_test(name SOURCES ... LINKS ... [LABELS ...]): a GoogleTest executable
# registered with CTest.
function(soramie_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main soramie_options)
  target_compile_definitions(${name} PRIVATE SORAMIE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "unit;${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# soramie_fuzzer(name SOURCES ... LINKS ...): a fuzz target and its checked-in
# corpus fuzz/corpus/<name>/. With SORAMIE_FUZZ (clang) it is a libFuzzer target
# whose CTest smoke run (SORAMIE_FUZZ_SECONDS, default 20, fixed seed) starts from
# the corpus; otherwise a plain program that replays the corpus once under CTest.
set(SORAMIE_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")
function(soramie_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  set(corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  if(SORAMIE_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # New inputs go to the build folder, never into the checked-in corpus.
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${name}
      COMMAND ${name} -seed=1 -max_total_time=${SORAMIE_FUZZ_SECONDS} -max_len=4096 -print_final_stats=1
              ${work} ${corpus})
    set_tests_properties(${name} PROPERTIES LABELS "fuzz" TIMEOUT 300)
  else()
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    add_test(NAME ${name}_corpus COMMAND ${name} ${corpus})
    set_tests_properties(${name}_corpus PROPERTIES LABELS "unit")
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} soramie_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endfunction()

# soramie_test_as_user(name TARGET target FILTER pattern): runs the GoogleTest
# cases of the test program `target` that the filter selects as the unprivileged
# user soramie-hostile (cases about permissions, which skip themselves as root).
# Skipped unless CTest runs as root and that user exists.
function(soramie_test_as_user name)
  cmake_parse_arguments(ARG "" "TARGET;FILTER" "" ${ARGN})
  add_test(NAME ${name}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/hostile/as_user.sh soramie-hostile $<TARGET_FILE:${ARG_TARGET}> ${ARG_FILTER})
  set_tests_properties(${name} PROPERTIES LABELS "unit;hostile" TIMEOUT 60 SKIP_RETURN_CODE 77)
endfunction()
