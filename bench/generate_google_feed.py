#!/usr/bin/env python3
"""Writes the same N products as a Google Merchant Center RSS feed (feed.xml, g: namespace, about 900 bytes
an item) and as its tab-separated form (feed.tsv), plus a supplier's stock and price list of N rows
(stock.csv: sku, ean, title, price, stock, warehouse, updated) whose every 10th SKU is unknown to the feed.
Deterministic for a given N.  Usage: generate_google_feed.py COUNT FOLDER"""
import os
import random
import sys
from xml.sax.saxutils import escape

WORDS = ("sturdy compact deluxe classic portable wireless premium handmade organic steel oak cotton "
         "leather ceramic glass silver blue green large small travel office garden kitchen").split()
TYPES = ["Electronics > Audio > Headphones", "Home & Garden > Kitchen > Cookware",
         "Office Products > Paper > Notebooks", "Toys & Games > Puzzles"]
AVAILABILITY = ["in stock", "in stock", "in stock", "out of stock", "backorder"]
COLUMNS = ["id", "title", "description", "link", "image_link", "availability", "price", "sale_price",
           "sale_price_effective_date", "brand", "gtin", "mpn", "product_type", "item_group_id", "condition"]


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    count, folder = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(count)
    with open(os.path.join(folder, "feed.xml"), "w", encoding="utf-8") as xml, \
            open(os.path.join(folder, "feed.tsv"), "w", encoding="utf-8") as tsv:
        xml.write('<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0" '
                  'xmlns:g="http://base.google.com/ns/1.0">\n<channel>\n<title>Bench shop</title>\n')
        tsv.write("\t".join(COLUMNS) + "\n")
        for i in range(count):
            price = rng.randint(100, 99999) / 100
            sale = f"{price * 0.8:.2f} EUR" if i % 7 == 0 else ""
            item = {
                "id": f"SKU-{i:07d}",
                "title": words(rng, 4).title() + (" & Co" if i % 11 == 0 else ""),
                "description": words(rng, 18).capitalize() + ".",
                "link": f"https://shop.example/p/{i}",
                "image_link": f"https://shop.example/i/{i}.jpg",
                "availability": rng.choice(AVAILABILITY),
                "price": f"{price:.2f} EUR",
                "sale_price": sale,
                "sale_price_effective_date": "2026-01-01T00:00+01:00/2026-02-01T00:00+01:00" if sale else "",
                "brand": words(rng, 1).title(),
                "gtin": f"{rng.randint(10**12, 10**13 - 1)}",
                "mpn": f"M{i}",
                "product_type": rng.choice(TYPES),
                "item_group_id": f"G-{i // 3}",
                "condition": "new",
            }
            xml.write("<item>\n")
            for name in COLUMNS:
                if item[name]:
                    tag = name if name in ("title", "description", "link") else "g:" + name
                    xml.write(f"  <{tag}>{escape(item[name])}</{tag}>\n")
            xml.write("</item>\n")
            tsv.write("\t".join(item[name] for name in COLUMNS) + "\n")
        xml.write("</channel>\n</rss>\n")
    with open(os.path.join(folder, "stock.csv"), "w", encoding="utf-8") as stock:
        stock.write("sku,ean,title,price,stock,warehouse,updated\n")
        for i in range(count):
            sku = f"SKU-{i:07d}" if i % 10 else f"NEW-{i:07d}"
            stock.write(f"{sku},{rng.randint(10**12, 10**13 - 1)},{words(rng, 3)},"
                        f"{rng.randint(100, 99999) / 100:.2f},{rng.randint(0, 40)},W{rng.randint(1, 9)},"
                        f"2026-01-{rng.randint(1, 28):02d}\n")


if __name__ == "__main__":
    main()
