#!/usr/bin/env python3
"""Reads every key of an INI file with Python's configparser and prints the time taken.

Usage: ini_configparser.py FILE
Prints one line: "<wall ms> <processor ms> <keys read> <characters read>".
"""
import configparser
import sys
import time


def main() -> int:
    path = sys.argv[1]
    start = time.perf_counter()
    start_cpu = time.process_time()
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    with open(path, encoding="utf-8") as f:
        parser.read_file(f)
    keys = 0
    chars = 0
    for section in parser.sections():
        for key in parser.options(section):
            chars += len(parser.get(section, key))
            keys += 1
    elapsed = (time.perf_counter() - start) * 1000.0
    elapsed_cpu = (time.process_time() - start_cpu) * 1000.0
    print(f"{elapsed:.1f} {elapsed_cpu:.1f} {keys} {chars}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
