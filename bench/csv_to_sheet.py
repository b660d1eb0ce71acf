#!/usr/bin/env python3
"""Writes a CSV export as a spreadsheet the way office programs store text: .xlsx with shared strings,
.ods with string cells. Usage: csv_to_sheet.py EXPORT.csv OUT.xlsx|OUT.ods"""
import csv
import sys
import zipfile
from xml.sax.saxutils import escape


def column(i):
    name = ""
    i += 1
    while i:
        i, r = divmod(i - 1, 26)
        name = chr(65 + r) + name
    return name


def xlsx(rows, out):
    strings, index = [], {}
    ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<Types xmlns="http://schemas.openxmlformats.org/package/2006/'
                   'content-types"><Override PartName="/xl/workbook.xml" ContentType="application/vnd.'
                   'openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>')
        z.writestr("xl/workbook.xml", f'<workbook {ns} xmlns:r="{rel}"><sheets><sheet name="Sheet1" '
                   'sheetId="1" r:id="rId1"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/'
                   f'package/2006/relationships"><Relationship Id="rId1" Type="{rel}/worksheet" '
                   f'Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="{rel}/sharedStrings" '
                   'Target="sharedStrings.xml"/></Relationships>')
        with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as f:
            f.write(f'<?xml version="1.0" encoding="UTF-8"?><worksheet {ns}><sheetData>'.encode())
            for r, row in enumerate(rows, 1):
                cells = []
                for c, value in enumerate(row):
                    if value:
                        k = index.setdefault(value, len(strings))
                        if k == len(strings):
                            strings.append(value)
                        cells.append(f'<c r="{column(c)}{r}" t="s"><v>{k}</v></c>')
                f.write(f'<row r="{r}">{"".join(cells)}</row>'.encode())
            f.write(b"</sheetData></worksheet>")
        with z.open("xl/sharedStrings.xml", "w", force_zip64=True) as f:
            f.write(f'<?xml version="1.0" encoding="UTF-8"?><sst {ns}>'.encode())
            for s in strings:
                f.write(f'<si><t xml:space="preserve">{escape(s)}</t></si>'.encode())
            f.write(b"</sst>")


def ods(rows, out):
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        with z.open("content.xml", "w", force_zip64=True) as f:
            f.write(b'<?xml version="1.0" encoding="UTF-8"?><office:document-content '
                    b'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
                    b'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
                    b'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body>'
                    b'<office:spreadsheet><table:table table:name="Sheet1">')
            for row in rows:
                cells = "".join(f'<table:table-cell office:value-type="string"><text:p>{escape(v)}</text:p>'
                                '</table:table-cell>' if v else "<table:table-cell/>" for v in row)
                f.write(f"<table:table-row>{cells}</table:table-row>".encode())
            f.write(b"</table:table></office:spreadsheet></office:body></office:document-content>")


def main():
    src, out = sys.argv[1], sys.argv[2]
    data = open(src, "rb").read()
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError:
        text = data.decode("cp1252")
    rows = list(csv.reader(text.splitlines(keepends=True)))
    (xlsx if out.endswith(".xlsx") else ods)(rows, out)


if __name__ == "__main__":
    main()
