#!/usr/bin/env python3
"""Writes a feed file of N products in the layout the program writes (no header block, 20 columns,
CR LF between lines, none after the last), about 400 bytes a product. Deterministic for a given N."""
import random
import sys

COLUMNS = ["product_url", "name", "description", "price", "image_url", "category", "offer_id", "instock",
           "shipping", "brand", "upc", "color", "size", "quantity", "product_id", "manufacturer_id",
           "exp_date", "product_type", "delete", "currency"]
WORDS = ("sturdy compact deluxe classic portable wireless premium handmade organic steel oak cotton "
         "leather ceramic glass silver blue green large small travel office garden kitchen").split()
CATEGORIES = ["Electronics > Audio > Headphones", "Home & Garden > Kitchen > Cookware",
              "Office Products > Paper > Notebooks", "Flowers > Bouquets > Roses", "Toys > Games > Puzzles"]


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: generate_feed.py COUNT OUT")
    count, out_path = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(count)
    with open(out_path, "wb") as out:
        out.write("\t".join(COLUMNS).encode("cp1252"))
        for i in range(count):
            name = words(rng, 4).title()
            if i % 20 == 0:
                # A lone quote, written tripled as the writer does.
                name = name + ' 12"""'
            fields = [
                f"https://www.example-shop.com/products/{i:07d}/{rng.choice(WORDS)}-{rng.choice(WORDS)}.html",
                name,
                words(rng, 22).capitalize() + ".",
                f"{rng.uniform(1, 999):.2f}",
                f"https://img.example-shop.com/images/{i:07d}/large/{rng.choice(WORDS)}.jpg",
                rng.choice(CATEGORIES),
                f"SKU{i:08d}",
                rng.choice("YN"),
                f"{rng.uniform(0, 30):.2f}",
                rng.choice(["Acme", "Borealis", "Caldera", "Dunmore"]),
                f"{rng.randrange(10**11, 10**12)}",
                rng.choice(["red", "blue", "green", "black"]),
                rng.choice(["S", "M", "L", "XL"]),
                "",
                f"P{i:09d}",
                f"MFR-{rng.randrange(10**6):06d}",
                rng.choice(["", "202712311200"]),
                "OTHER",
                "Y" if i % 50 == 0 else "",
                "USD",
            ]
            out.write(b"\r\n" + "\t".join(fields).encode("cp1252"))


if __name__ == "__main__":
    main()
