#!/usr/bin/env python3
"""Copies a feed written by generate_feed.py with the check digit of every UPC put right, as a shop's real
UPCs have it: every product then goes into the duplicate-UPC table, which random UPCs mostly skip."""
import sys


def with_check_digit(upc):
    body = upc[:-1]
    total = sum(int(d) * (3 if i % 2 == 0 else 1) for i, d in enumerate(reversed(body)))
    return body + str((10 - total % 10) % 10)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: with_valid_upcs.py IN OUT")
    with open(sys.argv[1], "rb") as src, open(sys.argv[2], "wb") as out:
        lines = src.read().split(b"\r\n")
        out.write(lines[0])
        for line in lines[1:]:
            fields = line.split(b"\t")
            fields[10] = with_check_digit(fields[10].decode("ascii")).encode("ascii")
            out.write(b"\r\n" + b"\t".join(fields))


if __name__ == "__main__":
    main()
