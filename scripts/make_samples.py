#!/usr/bin/env python3
"""Writes the three sample feeds shipped in resources/Samples.

The files use the layout the wizard writes: optional four header lines, the column line, one product per
line in twenty TAB-separated columns, CR LF between lines and none after the last, Windows-1252 bytes.
A few products carry texts the data check finds (a line break and a TAB inside a quoted description, HTML
tags, the copyright and trademark signs, an en dash), so a new user sees the check at work.
"""
import sys
from pathlib import Path

COLUMNS = ["product_url", "name", "description", "price", "image_url", "category", "offer_id", "instock",
           "shipping", "brand", "upc", "color", "size", "quantity", "product_id", "manufacturer_id",
           "exp_date", "product_type", "delete", "currency"]


def upc(seed):
    digits = [int(c) for c in f"{seed:011d}"[-11:]]
    check = (10 - (sum(digits[0::2]) * 3 + sum(digits[1::2])) % 10) % 10
    return "".join(map(str, digits)) + str(check)


def line(fields):
    assert len(fields) == 20, fields
    return "\t".join(fields)


def write(path, header, products):
    lines = []
    if header:
        lines += ["# html_escaped=NO", "# updates_only=NO", "# product_type=OTHER", "# quoted=YES"]
    lines.append("\t".join(COLUMNS))
    lines += [line(p) for p in products]
    data = "\r\n".join(lines).encode("cp1252")
    Path(path).write_bytes(data)
    print(f"{path}: {len(products)} products, {len(data)} bytes")


def electronics():
    site = "https://www.brightvolt.example"
    rows = [
        ("Aurion X2 Wireless Headphones", "Over-ear Bluetooth headphones with active noise cancelling and 30 hours of battery life.", 129.00, "Electronics > Audio > Headphones", "Aurion", "Black", ""),
        ("Aurion X2 Wireless Headphones", "Over-ear Bluetooth headphones with active noise cancelling and 30 hours of battery life.", 129.00, "Electronics > Audio > Headphones", "Aurion", "Silver", ""),
        ("Aurion Buds Mini", "True wireless earbuds with charging case, IPX4 splash resistant.", 59.95, "Electronics > Audio > Headphones", "Aurion", "White", ""),
        ("Tessaline Soundbar 2.1", "\"Compact soundbar with wireless subwoofer.\rWall bracket and optical cable included.\"", 189.99, "Electronics > Audio > Speakers", "Tessaline", "Black", ""),
        ("Tessaline Go Portable Speaker", "Rugged portable speaker, 12 hours of play, pairs two units for stereo.", 49.00, "Electronics > Audio > Speakers", "Tessaline", "Blue", ""),
        ("Tessaline Go Portable Speaker", "Rugged portable speaker, 12 hours of play, pairs two units for stereo.", 49.00, "Electronics > Audio > Speakers", "Tessaline", "Red", ""),
        ("Korvex 24\u2013inch Full HD Monitor", "24 in. IPS monitor, 1920 x 1080, 75 Hz, HDMI and DisplayPort.", 149.50, "Electronics > Computers > Monitors", "Korvex", "Black", "24 in."),
        ("Korvex 27 in. QHD Monitor", "27 in. IPS monitor, 2560 x 1440, height-adjustable stand.", 279.00, "Electronics > Computers > Monitors", "Korvex", "Black", "27 in."),
        ("Korvex ErgoType Keyboard", "Split ergonomic keyboard with cushioned palm rest, USB.", 64.99, "Electronics > Computers > Keyboards", "Korvex", "Grey", ""),
        ("Korvex Silent Mouse", "Wireless mouse with quiet buttons and a 2-year battery life.", 19.99, "Electronics > Computers > Mice", "Korvex", "Graphite", ""),
        ("Nimbra 1TB Portable SSD", "USB-C portable solid state drive, up to 1050 MB/s.", 109.00, "Electronics > Computers > Storage", "Nimbra", "Slate", "1 TB"),
        ("Nimbra 2TB Portable SSD", "USB-C portable solid state drive, up to 1050 MB/s.", 179.00, "Electronics > Computers > Storage", "Nimbra", "Slate", "2 TB"),
        ("Nimbra 64GB USB Flash Drive", "Metal keyring flash drive, USB 3.2.", 11.49, "Electronics > Computers > Storage", "Nimbra", "Silver", "64 GB"),
        ("Voltari 65W USB-C Charger", "GaN wall charger with two USB-C ports and one USB-A port.", 39.99, "Electronics > Accessories > Chargers", "Voltari", "White", ""),
        ("Voltari Power Bank 20000", "20000 mAh power bank with 22.5 W fast charging.", 34.95, "Electronics > Accessories > Chargers", "Voltari", "Black", ""),
        ("Voltari Braided USB-C Cable", "Braided USB-C to USB-C cable, 2 m, 100 W.", 12.99, "Electronics > Accessories > Cables", "Voltari", "Black", "2 m"),
        ("Voltari HDMI 2.1 Cable", "Ultra high speed HDMI cable for 4K at 120 Hz, 1.5 m.", 15.99, "Electronics > Accessories > Cables", "Voltari", "Black", "1.5 m"),
        ("Lumeo SmartBulb Starter Kit", "<B>Bestseller!</B> Three colour smart bulbs and a bridge, works with voice assistants.", 79.00, "Electronics > Smart Home > Lighting", "Lumeo", "White", ""),
        ("Lumeo Smart Plug", "Wi-Fi plug with energy monitoring and schedules.", 17.99, "Electronics > Smart Home > Plugs", "Lumeo", "White", ""),
        ("Lumeo Video Doorbell", "1080p video doorbell with two-way audio and night vision.", 119.00, "Electronics > Smart Home > Security", "Lumeo", "Black", ""),
        ("Pixora Z50 Mirrorless Camera", "24 MP mirrorless camera body with 4K video and a flip screen.", 649.00, "Electronics > Cameras > Mirrorless", "Pixora", "Black", ""),
        ("Pixora 50mm f/1.8 Lens", "Bright standard prime lens for portraits and low light.", 199.00, "Electronics > Cameras > Lenses", "Pixora", "Black", ""),
        ("Pixora Camera Bag", "Padded shoulder bag for a camera and two lenses.", 44.50, "Electronics > Cameras > Bags", "Pixora", "Olive", ""),
        ("Quanta TabPad 10", "10.1 in. tablet, 64 GB, Wi-Fi, with the Quanta\u2122 Pen.", 229.00, "Electronics > Tablets", "Quanta", "Grey", "10.1 in."),
        ("Quanta TabPad 10 Folio Case", "Folio case with stand and pen holder for the TabPad 10.", 24.99, "Electronics > Tablets > Cases", "Quanta", "Navy", ""),
        ("Ravelle E-Reader", "6 in. glare-free e-ink reader with front light, holds thousands of books.", 99.00, "Electronics > E-Readers", "Ravelle", "Black", "6 in."),
        ("Ravelle Smartwatch S", "Fitness smartwatch with heart rate, GPS and a 7-day battery.", 149.00, "Electronics > Wearables", "Ravelle", "Rose", ""),
        ("Ravelle Smartwatch S", "Fitness smartwatch with heart rate, GPS and a 7-day battery.", 149.00, "Electronics > Wearables", "Ravelle", "Black", ""),
        ("Sorrel Desk Lamp LED", "Dimmable LED desk lamp with USB charging port. \u00a9 Sorrel Lighting design.", 42.00, "Electronics > Lighting", "Sorrel", "White", ""),
        ("Sorrel Surge Protector 8", "Eight-outlet surge protector with two USB ports, 2 m cord.", 27.99, "Electronics > Accessories > Power", "Sorrel", "White", ""),
    ]
    out = []
    for i, (name, desc, price, cat, brand, color, size) in enumerate(rows):
        n = 1001 + i
        slug = name.lower().replace(" ", "-").replace(".", "").replace("/", "-").replace("\u2013", "-")
        out.append([f"{site}/p/{slug}?sku=EL{n}", name, desc, f"{price:.2f}", f"{site}/img/EL{n}.jpg", cat,
                    f"EL-{n}", "N" if i in (7, 20) else "Y", "0.00" if price >= 100 else "4.95", brand,
                    upc(84012300000 + n), color, size, "", f"EL{n}", f"{brand[:3].upper()}-{n * 7 % 9000 + 1000}",
                    "", "OTHER", "", "USD"])
    return out


def flowers():
    site = "https://www.petalandstem.example"
    rows = [
        ("Classic Red Roses, 12 Stems", "A dozen long-stemmed red roses with eucalyptus, hand-tied.", 54.99, "Flowers > Roses", "Red", "12 stems"),
        ("Classic Red Roses, 24 Stems", "Two dozen long-stemmed red roses with eucalyptus, hand-tied.", 89.99, "Flowers > Roses", "Red", "24 stems"),
        ("Blush Garden Roses", "Soft pink garden roses, fragrant and full-petalled.", 64.00, "Flowers > Roses", "Pink", "10 stems"),
        ("Sunrise Tulip Bunch", "Yellow and orange tulips picked in bud, open in two days.", 32.50, "Flowers > Tulips", "Yellow", "15 stems"),
        ("Purple Tulip Bunch", "Deep purple tulips, a spring favourite.", 32.50, "Flowers > Tulips", "Purple", "15 stems"),
        ("White Lily Bouquet", "Oriental lilies with white roses and greenery.", 59.00, "Flowers > Lilies", "White", "Standard"),
        ("Stargazer Lilies", "Fragrant pink Stargazer lilies, arrive in bud.", 46.00, "Flowers > Lilies", "Pink", "5 stems"),
        ("Sunflower Happiness", "Bright sunflowers with solidago \u2013 a bunch of summer.", 38.00, "Flowers > Sunflowers", "Yellow", "Standard"),
        ("Mixed Seasonal Bouquet", "\"Our florists' pick of the week.\rEvery bouquet is different.\"", 44.00, "Flowers > Bouquets", "Mixed", "Standard"),
        ("Mixed Seasonal Bouquet Deluxe", "Our florists' pick of the week, half again as many stems.", 64.00, "Flowers > Bouquets", "Mixed", "Deluxe"),
        ("Lavender Dreams", "Lilac roses, lisianthus and lavender in a keepsake vase.", 69.00, "Flowers > Bouquets", "Lilac", "Standard"),
        ("Peony Bunch", "Lush pink peonies, in season May to June.", 72.00, "Flowers > Peonies", "Pink", "7 stems"),
        ("Gerbera Rainbow", "Ten gerberas in cheerful mixed colours.", 29.99, "Flowers > Gerberas", "Mixed", "10 stems"),
        ("White Orchid Plant", "Phalaenopsis orchid in a ceramic pot, blooms for weeks.", 49.00, "Plants > Orchids", "White", "Single stem"),
        ("Twin Orchid Plant", "Two-stem purple Phalaenopsis orchid in a glass pot.", 65.00, "Plants > Orchids", "Purple", "Twin stem"),
        ("Peace Lily Plant", "Easy-care peace lily that cleans the air, 50 cm tall.", 34.00, "Plants > Houseplants", "Green", "50 cm"),
        ("Succulent Trio", "Three succulents in concrete pots.", 27.50, "Plants > Succulents", "Green", "Small"),
        ("Bonsai Ficus", "Ficus bonsai, about 8 years old, with care guide.", 58.00, "Plants > Bonsai", "Green", "Medium"),
        ("Sympathy Wreath", "A wreath of white lilies, roses and chrysanthemums.", 129.00, "Flowers > Sympathy", "White", "45 cm"),
        ("Wedding Bouquet Ivory", "Bridal bouquet of ivory roses and stephanotis. <I>Order 7 days ahead.</I>", 149.00, "Flowers > Weddings", "Ivory", "Standard"),
        ("Buttonhole Rose", "A single ivory rose buttonhole with pin.", 9.50, "Flowers > Weddings", "Ivory", "Single"),
        ("Glass Vase Tall", "Clear glass cylinder vase, 30 cm.", 19.00, "Gifts > Vases", "Clear", "30 cm"),
        ("Belgian Chocolates 250 g", "Assorted Belgian pralines to go with your flowers.", 16.50, "Gifts > Chocolates", "", "250 g"),
        ("Balloon \u2018Happy Birthday\u2019", "Foil balloon, delivered inflated with the bouquet.", 6.99, "Gifts > Balloons", "Gold", "45 cm"),
        ("Teddy Bear", "Soft plush teddy bear, 25 cm.", 14.99, "Gifts > Toys", "Brown", "25 cm"),
    ]
    out = []
    for i, (name, desc, price, cat, color, size) in enumerate(rows):
        n = 201 + i
        slug = "".join(c if c.isalnum() else "-" for c in name.lower()).strip("-")
        out.append([f"{site}/shop/{slug}", name, desc, f"{price:.2f}", f"{site}/images/fl{n}.jpg", cat,
                    f"FL{n}", "Y", "7.95" if price < 60 else "0.00", "Petal & Stem", "", color, size, "",
                    f"FL{n}", "", "" if i % 5 else "200712312359", "OTHER", "", "USD"])
    return out


def office():
    site = "https://www.deskwise.example"
    rows = [
        ("Copy Paper A4, 500 Sheets", "80 g/m\u00b2 bright white multipurpose paper.", 5.49, "Office > Paper", "Paperline", "White", "A4"),
        ("Copy Paper Letter, 5 Reams", "Box of 2500 sheets of 20 lb bright white paper.", 24.99, "Office > Paper", "Paperline", "White", "Letter"),
        ("Recycled Copy Paper A4", "100% recycled 80 g/m\u00b2 paper, 500 sheets.", 6.29, "Office > Paper", "Paperline", "Natural", "A4"),
        ("Spiral Notebook A5", "Ruled notebook, 160 pages, perforated.", 3.99, "Office > Notebooks", "Scriba", "Blue", "A5"),
        ("Hardcover Journal", "Dotted hardcover journal with ribbon marker \u2013 192 pages.", 14.50, "Office > Notebooks", "Scriba", "Black", "A5"),
        ("Gel Pens, Pack of 12", "Smooth 0.7 mm gel pens in assorted colours.", 8.99, "Office > Writing", "Scriba", "Assorted", "0.7 mm"),
        ("Ballpoint Pens, Pack of 50", "Medium ballpoint pens, blue ink.", 9.49, "Office > Writing", "Scriba", "Blue", "1.0 mm"),
        ("Highlighters, 6 Colours", "Chisel tip highlighters with quick-dry ink.", 5.99, "Office > Writing", "Scriba", "Assorted", ""),
        ("Mechanical Pencil Set", "Two 0.5 mm pencils with leads and erasers.", 6.75, "Office > Writing", "Scriba", "Silver", "0.5 mm"),
        ("Stapler Full Strip", "Metal stapler, staples up to 25 sheets.", 12.99, "Office > Desk Accessories", "Fastwell", "Black", ""),
        ("Staples 26/6, 5000", "Box of 5000 standard staples.", 2.49, "Office > Desk Accessories", "Fastwell", "", ""),
        ("Hole Punch 2-Hole", "Punches up to 30 sheets with paper guide.", 11.50, "Office > Desk Accessories", "Fastwell", "Grey", ""),
        ("Tape Dispenser", "Weighted desk dispenser with one roll of clear tape.", 7.99, "Office > Desk Accessories", "Fastwell", "Black", ""),
        ("Desk Organiser", "Mesh organiser with five compartments.", 16.99, "Office > Desk Accessories", "Fastwell", "Black", ""),
        ("Lever Arch Files, 10 Pack", "A4 lever arch files, 75 mm spine.", 21.00, "Office > Filing", "Ordo", "Blue", "75 mm"),
        ("Suspension Files, 25 Pack", "Foolscap suspension files with tabs and inserts.", 15.99, "Office > Filing", "Ordo", "Green", "Foolscap"),
        ("Document Wallets, 50 Pack", "Manilla document wallets with half flap.", 12.49, "Office > Filing", "Ordo", "Buff", "A4"),
        ("Sticky Notes 76 x 76", "12 pads of 100 sticky notes in bright colours.", 7.49, "Office > Notes", "Adhera", "Assorted", "76 x 76 mm"),
        ("Index Tabs", "Page markers in five colours, 250 tabs.", 3.49, "Office > Notes", "Adhera", "Assorted", ""),
        ("Whiteboard 90 x 60", "Magnetic whiteboard with aluminium frame and pen tray.", 39.00, "Office > Presentation", "Claro", "White", "90 x 60 cm"),
        ("Whiteboard Markers, 4 Pack", "Dry-wipe markers, bullet tip.", 4.99, "Office > Presentation", "Claro", "Assorted", ""),
        ("Laminator A3", "Two-roller laminator for pouches up to 125 micron.", 49.99, "Office > Machines", "Claro", "White", "A3"),
        ("Paper Shredder Cross-Cut", "\"Cross-cut shredder, 8 sheets, 14 litre bin.\tSecurity level P-4.\"", 69.00, "Office > Machines", "Claro", "Black", "14 l"),
        ("Label Printer", "Desktop label printer with PC connection. DeskWise\u00ae exclusive.", 59.00, "Office > Machines", "Claro", "Grey", ""),
        ("Desk Chair ErgoMesh", "<P>Mesh office chair</P> with lumbar support and adjustable arms.", 189.00, "Office > Furniture", "Sitwell", "Black", ""),
        ("Footrest Adjustable", "Tilting footrest for comfortable sitting.", 24.50, "Office > Furniture", "Sitwell", "Black", ""),
        ("Monitor Stand with Drawer", "Raises the screen 10 cm, drawer for small items.", 29.99, "Office > Furniture", "Sitwell", "Walnut", ""),
        ("Calculator Desktop 12-Digit", "Solar and battery desktop calculator.", 9.99, "Office > Machines", "Claro", "Black", ""),
        ("Envelopes DL, 500", "Self-seal white DL envelopes, 90 g/m\u00b2.", 18.75, "Office > Mailing", "Paperline", "White", "DL"),
        ("Padded Envelopes, 20", "Bubble-lined envelopes for small parcels.", 11.99, "Office > Mailing", "Paperline", "Gold", "C4"),
        ("Packing Tape, 6 Rolls", "Low-noise brown packing tape, 48 mm x 66 m.", 10.49, "Office > Mailing", "Adhera", "Brown", "48 mm"),
        ("Planner 2007 Week-to-View", "Desk planner with a week on two pages. \u00a9 2006 Scriba.", 12.00, "Office > Planners", "Scriba", "Red", "A5"),
    ]
    out = []
    for i, (name, desc, price, cat, brand, color, size) in enumerate(rows):
        n = 3001 + i
        out.append([f"{site}/item/{n}", name, desc, f"{price:.2f}", f"{site}/pics/{n}.png", cat, f"DW{n}",
                    "N" if i in (21, 24) else "Y", "3.50" if price < 50 else "0.00", brand,
                    upc(50123400000 + n) if i % 3 == 0 else "", color, size, "", f"{n}",
                    f"{brand[:2].upper()}{n}", "", "OTHER", "", "GBP" if i % 11 == 5 else "USD"])
    return out


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "resources/Samples")
    out.mkdir(parents=True, exist_ok=True)
    write(out / "SampleElectronics.txt", True, electronics())
    write(out / "SampleFlowers.txt", False, flowers())
    write(out / "SampleOffice.txt", True, office())


if __name__ == "__main__":
    main()
