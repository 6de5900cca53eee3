#!/usr/bin/env bash
# Starts desktop_keeper.exe of the build tree given and returns once it holds the desktop; run
# inside a session whose Wine server and display are up. Whoever first needs Wine's desktop starts
# its process, which keeps that program's error output open while the desktop lives: a test (or a
# benchmark whose output is read) that did so would seem to end only when the desktop closes. The
# keeper needs it first, with its own output going nowhere, and holds it until the session's Wine
# server stops.
exec 3< <(wine "$1/bin/desktop_keeper.exe" </dev/null 2>/dev/null)
read -r -t 60 _ <&3 || true
