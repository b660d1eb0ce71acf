#!/usr/bin/env python3
"""Baseline: read a feed with the csv module's excel-tab dialect and write it back out."""
import csv
import sys

with open(sys.argv[1], newline="", encoding="cp1252") as src, \
        open(sys.argv[2], "w", newline="", encoding="cp1252") as dst:
    writer = csv.writer(dst, dialect="excel-tab", lineterminator="\r\n")
    for row in csv.reader(src, dialect="excel-tab"):
        writer.writerow(row)
