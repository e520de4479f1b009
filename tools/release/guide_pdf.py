#!/usr/bin/python3
"""Prints the operator's guide (HTML) to a PDF with WeasyPrint, the
document's dates set to the given moment so the same guide gives the same
bytes.

usage: guide_pdf.py GUIDE.html OUTPUT.pdf EPOCH-SECONDS
"""
import datetime
import sys

import weasyprint


def main():
    html, output, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    document = weasyprint.HTML(filename=html).render()
    moment = datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    document.metadata.created = moment
    document.metadata.modified = moment
    document.write_pdf(output)


if __name__ == "__main__":
    main()
