"""Fills the phone page's catalogs into app.js.

usage: page_texts.py APP_JS OUT PAGE_POT PO...

The page's texts are the msgids of PAGE_POT (gathered from web/*.js); each
po/<language>.po gives their translations. They replace the /*@catalogs*/{}
marker in APP_JS as {"<language>": {"<English>": "<translation>"}}, so the page
needs no request more for its language.
"""
import json
import pathlib
import sys

import polib

MARKER = "/*@catalogs*/{}"


def catalogs(pot, pos):
    wanted = {entry.msgid for entry in polib.pofile(pot)}
    result = {}
    for po in sorted(pos):
        texts = {
            entry.msgid: entry.msgstr
            for entry in polib.pofile(po)
            if entry.msgid in wanted and entry.translated()
        }
        result[pathlib.Path(po).stem] = dict(sorted(texts.items()))
    return result


def main(app_js, out, pot, *pos):
    source = pathlib.Path(app_js).read_text(encoding="utf-8")
    if source.count(MARKER) != 1:
        sys.exit(f"{app_js}: expected one {MARKER} marker")
    filled = json.dumps(catalogs(pot, pos), ensure_ascii=False, separators=(",", ":"))
    text = source.replace(MARKER, "/*@catalogs*/" + filled)
    pathlib.Path(out).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main(*sys.argv[1:])
