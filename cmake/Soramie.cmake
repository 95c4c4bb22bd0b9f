# SPDX-License-Identifier: MIT
# Shared compile settings for every SORAMIE target.

set(SORAMIE_WARNINGS
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Wcast-qual)

if(SORAMIE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(SORAMIE_FUZZ)
  # Libraries get coverage instrumentation; fuzz targets link the libFuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# soramie_defaults(target): warnings (errors under CI) for a target of ours.
function(soramie_defaults target)
  target_compile_options(${target} PRIVATE ${SORAMIE_WARNINGS})
  if(SORAMIE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# soramie_library(name SOURCES ... LINKS ...): one library per layer; headers are
# included as "layer/file.h" from src/.
function(soramie_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  soramie_defaults(${name})
endfunction()

# soramie_test(name SOURCES ... LINKS ... [LABELS ...]): a GoogleTest executable
# registered with CTest.
function(soramie_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE SORAMIE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  soramie_defaults(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "unit;${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# soramie_fuzzer(name SOURCES ... LINKS ...): a libFuzzer target and a short CTest
# smoke run of it (SORAMIE_FUZZ_SECONDS, default 20) from a fixed seed, so a
# slower machine runs a prefix of the same inputs.
set(SORAMIE_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")
function(soramie_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  soramie_defaults(${name})
  add_test(NAME ${name}
    COMMAND ${name} -seed=1 -max_total_time=${SORAMIE_FUZZ_SECONDS} -max_len=4096 -print_final_stats=1)
  set_tests_properties(${name} PROPERTIES LABELS "fuzz" TIMEOUT 300)
endfunction()
