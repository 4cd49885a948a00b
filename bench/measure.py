#!/usr/bin/env python3
"""Runs a command and prints its wall time in seconds and its peak resident
memory in KiB: "SECONDS MAXRSS_KIB". Exits with the command's status.

usage: measure.py COMMAND [ARG...]   (stdout and stderr of the command are
discarded unless MEASURE_KEEP_OUTPUT is set)
"""
import os
import resource
import subprocess
import sys
import time

start = time.monotonic()
quiet = None if os.environ.get("MEASURE_KEEP_OUTPUT") else subprocess.DEVNULL
status = subprocess.call(sys.argv[1:], stdout=quiet, stderr=quiet)
seconds = time.monotonic() - start
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print("%.3f %d" % (seconds, peak))
sys.exit(status)
