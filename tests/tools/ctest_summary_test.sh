#!/usr/bin/env bash
# The end-of-run list of tests that passed only when run again: over logs of the forms ctest
# writes, then over a real ctest run whose one test fails at its first run only.
# Usage: ctest_summary_test.sh <tools/ctest_summary.sh>
set -euo pipefail
summary=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
bad=0

# expect <case> <expected summary> <log>
expect() {
  printf '%s\n' "$3" >"$dir/log"
  local got
  got=$(bash "$summary" "$dir/log")
  if [ "$got" != "$2" ]; then
    printf 'FAILED %s\n--- expected\n%s\n--- got\n%s\n' "$1" "$2" "$got"
    bad=1
  fi
}

none="No test needed a second run."

expect "every test passes at once; a skip is no retry" "$none" \
'    Start 1: A.One
    Start 2: A.Two
1/2 Test #1: A.One ....................   Passed    0.49 sec
2/2 Test #2: A.Two ....................***Skipped   0.08 sec'

expect "a failure, output and other tests, then the pass" "Tests that passed only when run again:
    Print.Pdf (first run: Failed)" \
'    Start 7: Print.Pdf
    Start 8: Print.Layout
1/9 Test #7: Print.Pdf .......................***Failed    2.75 sec
print_test.cpp:880: Failure
Expected equality of these values:
2/9 Test #8: Print.Layout ....................   Passed    0.30 sec
    Start 7: Print.Pdf
    Test #7: Print.Pdf .......................   Passed    2.10 sec'

expect "failing both times is a failure, not a retry" "$none" \
'1/3 Test #4: Bad.Always ..............***Failed    0.05 sec
    Test #4: Bad.Always ..............***Failed    0.05 sec
2/3 Test #5: Bad.Crash ...............***Exception: SegFault  0.05 sec
    Test #5: Bad.Crash ...............***Exception: SegFault  0.03 sec
3/3 Test #6: Good.One ................   Passed    0.01 sec'

expect "a time-out and a crash, each then passing, in the order they first failed" "Tests that passed only when run again:
    Slow.Start (first run: Timeout)
    Grid/Param.Case/3 (first run: Exception: SegFault)" \
' 9/12 Test  #31: Slow.Start ...........................***Timeout 300.02 sec
10/12 Test  #32: Grid/Param.Case/3 ....................***Exception: SegFault  0.40 sec
      Test  #32: Grid/Param.Case/3 ....................   Passed    0.41 sec
      Test  #31: Slow.Start ...........................   Passed    1.10 sec'

# A real run: one test fails at its first run only (a mark file tells the second run), one skips
# as a skipped Google Test says so, one fails each time.
mkdir -p "$dir/project"
cat >"$dir/project/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.24)
project(summary_probe NONE)
enable_testing()
add_test(NAME Once.Fails COMMAND sh -c "[ -e '$dir/mark' ] || { touch '$dir/mark'; exit 1; }")
add_test(NAME Always.Fails COMMAND sh -c "exit 1")
add_test(NAME Always.Skips COMMAND sh -c "echo '[  SKIPPED ] Always.Skips'")
set_tests_properties(Always.Skips PROPERTIES SKIP_REGULAR_EXPRESSION "\\\\[  SKIPPED \\\\]")
add_test(NAME Always.Passes COMMAND true)
CMAKE
cmake -S "$dir/project" -B "$dir/build" >/dev/null
(cd "$dir/build" && ctest --repeat until-pass:2 >"$dir/run.log" 2>&1) || true
grep -q "Always.Skips .*\*\*\*Skipped" "$dir/run.log" || { echo "FAILED the probe's skip is not shown as one"; bad=1; }
got=$(bash "$summary" "$dir/run.log")
want="Tests that passed only when run again:
    Once.Fails (first run: Failed)"
if [ "$got" != "$want" ]; then
  printf 'FAILED a real run\n--- expected\n%s\n--- got\n%s\n--- log\n' "$want" "$got"
  cat "$dir/run.log"
  bad=1
fi
[ $bad -eq 0 ] && echo "The retried tests are listed as ctest reports them."
exit $bad
