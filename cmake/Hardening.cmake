# SPDX-License-Identifier: MIT
# Hardening of every target the build makes (GCC and clang on ELF), on unless
# SORAMIE_HARDEN is OFF:
#   -fstack-protector-strong          canaries in every function with a local array or address taken
#   PIE                               executables load at a random address
#   -Wl,-z,relro -Wl,-z,now           every symbol bound at start-up, relocations then read-only
#   -D_FORTIFY_SOURCE=2               checked string and memory functions, in optimised builds
#                                     only (it needs optimisation) and never under a sanitizer,
#                                     whose own checks replace those functions.
# Include after cmake/Soramie.cmake, so that its sanitizer flags are seen here.
option(SORAMIE_HARDEN "Build with stack protector, fortified functions, full RELRO and PIE" ON)
if(NOT SORAMIE_HARDEN)
  return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro LINKER:-z,now)

get_directory_property(soramie_directory_options COMPILE_OPTIONS)
set(soramie_sanitized OFF)
foreach(flags IN ITEMS "${soramie_directory_options}" "${CMAKE_CXX_FLAGS}")
  if(flags MATCHES "-fsanitize=")
    set(soramie_sanitized ON)
  endif()
endforeach()
if(NOT soramie_sanitized)
  # -U first: a compiler that defines its own level is not redefined with a warning.
  set(soramie_optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
  add_compile_options($<${soramie_optimised}:-U_FORTIFY_SOURCE> $<${soramie_optimised}:-D_FORTIFY_SOURCE=2>)
endif()
unset(soramie_directory_options)
unset(soramie_sanitized)
unset(soramie_optimised)
