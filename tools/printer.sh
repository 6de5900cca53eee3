#!/usr/bin/env bash
# Starts CUPS with the PDF printer that the printing test prints to, made the default printer
# (idempotent). Without root, CUPS or the PDF back-end it says why and leaves things alone; the
# printing test then skips itself. Wine reads the printers when a prefix's spooler first starts,
# so this runs before the test prefix is made.
set -uo pipefail
name=KymoraPDF
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [ "$(id -u)" -ne 0 ]; then
  echo "printer: not root: CUPS and the PDF printer are left as they are" >&2
  exit 0
fi
if [ ! -x /usr/sbin/cupsd ] || ! command -v lpadmin >/dev/null || [ ! -f "$ppd" ]; then
  echo "printer: cups or printer-driver-cups-pdf missing: no PDF printer" >&2
  exit 0
fi
running() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }
if ! running; then
  /usr/sbin/cupsd
  # The scheduler takes a moment to answer; give it up to 30 s.
  for _ in $(seq 1 300); do running && break; sleep 0.1; done
fi
if ! running; then
  echo "printer: cupsd did not start: no PDF printer" >&2
  exit 0
fi
if ! lpstat -p "$name" >/dev/null 2>&1; then
  lpadmin -p "$name" -E -v cups-pdf:/ -P "$ppd" 2>/dev/null ||
    echo "printer: lpadmin could not add $name" >&2
fi
lpstat -d 2>/dev/null | grep -q ": $name\$" || lpadmin -d "$name" 2>/dev/null || true
lpstat -d 2>/dev/null | grep -q ": $name\$" || echo "printer: $name is not the default printer" >&2
exit 0
