#!/usr/bin/python3
"""Prints the operator's guide (HTML) to a PDF with WeasyPrint, the
document's dates set to the given moment so the same guide gives the same
bytes. The guide is read under one fixed address, whatever folder it is
in: WeasyPrint names each image after its address, so the real path would
otherwise end up in the PDF.

usage: guide_pdf.py GUIDE.html OUTPUT.pdf EPOCH-SECONDS
"""
import datetime
import os
import pathlib
import sys
import urllib.parse

import weasyprint

BASE = "file:///quillon-guide/"


def main():
    html, output, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    folder = os.path.dirname(os.path.abspath(html))

    def fetch(url):
        if url.startswith(BASE):
            url = pathlib.Path(folder, urllib.parse.unquote(url[len(BASE):])).as_uri()
        return weasyprint.default_url_fetcher(url)

    with open(html, encoding="utf-8") as f:
        text = f.read()
    document = weasyprint.HTML(string=text, base_url=BASE + os.path.basename(html), url_fetcher=fetch).render()
    moment = datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    document.metadata.created = moment
    document.metadata.modified = moment
    document.write_pdf(output)


if __name__ == "__main__":
    main()
