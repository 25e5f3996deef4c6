# SPDX-License-Identifier: MIT
# Sourced by the sanitized test run and the fuzz runs: stop at the first report, with a stack,
# and leave out leaks that belong to the libraries we use (see scripts/lsan.supp).
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_odr_violation=2:allocator_may_return_null=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
