#!/usr/bin/env python3
"""Builds the tip files data/H<form><digit>.txt (one per language: 0 English, 1 French, 2 German,
3 Spanish, 4 Dutch) from tab-separated tables: key, then the tip in the five languages.

A tip file is a run of entries key + "A_Dat" + tip + "A_Sep". Escapes in tips: \\n = CR LF,
\\t = tab, \\\\ = backslash. Several tables may feed one form; a key may appear only once.

The tables are found by name: tips_<form>.tsv and tips_<form>_<part>.tsv feed the form <form>
(form names hold no "_").

Usage: make_tip_files.py   (rebuilds the tip files of every form that has a table)
"""

import glob
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_language_file import SourceError, keyed_rows, write_file  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.dirname(HERE)


def forms():
    """Form name -> its tables, in name order (tips_frmMain.tsv before tips_frmMain_filelist.tsv)."""
    found = {}
    for path in sorted(glob.glob(os.path.join(HERE, "tips_*.tsv"))):
        stem = os.path.basename(path)[len("tips_"):-len(".tsv")]
        found.setdefault(stem.split("_")[0], []).append(os.path.basename(path))
    return found


def build(form, tables):
    entries = keyed_rows(p for p in (os.path.join(HERE, t) for t in tables) if os.path.exists(p))
    for lang in range(5):
        text = "".join(f"{k}A_Dat{v[lang]}A_Sep" for k, v in entries.items())
        write_file(os.path.join(DATA, f"H{form}{lang}.txt"), text.encode("utf-8"))
    print(f"H{form}0..4.txt: {len(entries)} tips")


def main():
    try:
        for form, tables in forms().items():
            build(form, tables)
    except (SourceError, OSError) as e:
        print(f"error: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
