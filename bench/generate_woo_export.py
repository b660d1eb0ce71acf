#!/usr/bin/env python3
"""Writes a WooCommerce product export as its exporter writes it: every value quoted, variable products
each followed by their variations (two a product), the exporter's column set.

    python3 generate_woo_export.py PARENTS OUT.csv
"""
import csv
import random
import sys

HEAD = ["ID", "Type", "SKU", "Name", "Published", "Is featured?", "Visibility in catalog",
        "Short description", "Description", "Date sale price starts", "Date sale price ends", "Tax status",
        "Tax class", "In stock?", "Stock", "Backorders allowed?", "Sold individually?", "Weight (kg)",
        "Length (cm)", "Width (cm)", "Height (cm)", "Allow customer reviews?", "Purchase note", "Sale price",
        "Regular price", "Categories", "Tags", "Shipping class", "Images", "Download limit",
        "Download expiry days", "Parent", "Grouped products", "Upsells", "Cross-sells", "External URL",
        "Button text", "Position", "Attribute 1 name", "Attribute 1 value(s)", "Attribute 1 visible",
        "Attribute 1 global", "Attribute 2 name", "Attribute 2 value(s)", "Attribute 2 visible",
        "Attribute 2 global"]
WORDS = ("soft warm cotton wool linen classic slim relaxed organic recycled everyday premium "
         "lightweight durable stretch breathable").split()


def main():
    parents = int(sys.argv[1])
    rng = random.Random(7)
    with open(sys.argv[2], "w", newline="", encoding="utf-8") as f:
        out = csv.writer(f, quoting=csv.QUOTE_ALL, lineterminator="\n")
        out.writerow(HEAD)
        next_id = 10
        for p in range(parents):
            pid = next_id
            next_id += 1
            text = " ".join(rng.choice(WORDS) for _ in range(40))
            row = dict.fromkeys(HEAD, "")
            row.update({"ID": pid, "Type": "variable", "SKU": f"P{p:06d}", "Name": f"Shirt {p}",
                        "Published": 1, "Is featured?": 0, "Visibility in catalog": "visible",
                        "Short description": "A shirt.", "Description": f"<p>{text}</p>",
                        "Tax status": "taxable", "In stock?": 1, "Categories": "Clothing, Clothing > Shirts",
                        "Images": f"https://shop.example/img/{p}.jpg, https://shop.example/img/{p}b.jpg",
                        "Attribute 1 name": "Size", "Attribute 1 value(s)": "S, M", "Attribute 1 visible": 1,
                        "Attribute 1 global": 1})
            out.writerow(row.values())
            for size in ("S", "M"):
                row = dict.fromkeys(HEAD, "")
                row.update({"ID": next_id, "Type": "variation", "SKU": f"P{p:06d}-{size}",
                            "Name": f"Shirt {p} - {size}", "Published": 1, "Tax status": "taxable",
                            "In stock?": rng.choice((1, 1, 0, "backorder")), "Stock": rng.randint(0, 40),
                            "Regular price": f"{rng.randint(5, 90)}.{rng.randint(0, 99):02d}",
                            "Sale price": "" if rng.random() < 0.7 else "4.50",
                            "Date sale price ends": "" if rng.random() < 0.5 else "2030-01-01 23:59:59",
                            "Parent": f"id:{pid}", "Attribute 1 name": "Size", "Attribute 1 value(s)": size,
                            "Attribute 1 global": 1})
                next_id += 1
                out.writerow(row.values())


main()
