# SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
# SPDX-License-Identifier: GPL-3.0-or-later
# Included by ctest in a Z4_SANITIZE build before any test runs: the sanitizers' options, which
# every test inherits. Options the caller set are left as they are.
set(z4_sanitize ${CMAKE_CURRENT_LIST_DIR})
if(NOT DEFINED ENV{ASAN_OPTIONS})
  set(ENV{ASAN_OPTIONS} "detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1")
endif()
if(NOT DEFINED ENV{UBSAN_OPTIONS})
  set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:halt_on_error=1:suppressions=${z4_sanitize}/ubsan.supp")
endif()
if(NOT DEFINED ENV{LSAN_OPTIONS})
  set(ENV{LSAN_OPTIONS} "suppressions=${z4_sanitize}/lsan.supp:print_suppressions=0")
endif()
