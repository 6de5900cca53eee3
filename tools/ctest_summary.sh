#!/usr/bin/env bash
# Lists the tests of a ctest log (a run with --repeat until-pass) that failed and then passed when
# run again, with how they failed first: the run passes, but a test that fails now and then is seen.
# Usage: ctest_summary.sh <ctest output>
set -euo pipefail
awk '
  # A result line: "3/7 Test #2: name .....   Passed  0.06 sec", or without the count when repeated.
  /^ *([0-9]+\/[0-9]+ )?Test +#[0-9]+: / {
    rest = $0
    sub(/^ *([0-9]+\/[0-9]+ )?Test +#[0-9]+: /, "", rest)
    name = rest
    sub(/ .*/, "", name)
    sub(/^[^ ]+ \.* */, "", rest)
    sub(/ +[0-9.]+ sec.*$/, "", rest)
    if (rest == "Passed") {
      passed[name] = 1
    } else if (rest != "***Skipped" && !(name in failed)) {
      sub(/^\*\*\*/, "", rest)
      failed[name] = rest
      order[++n] = name
    }
  }
  END {
    for (i = 1; i <= n; ++i)
      if (order[i] in passed) flaky[++m] = order[i] " (first run: " failed[order[i]] ")"
    if (m == 0) {
      print "No test needed a second run."
    } else {
      print "Tests that passed only when run again:"
      for (i = 1; i <= m; ++i) print "    " flaky[i]
    }
  }
' "$1"
