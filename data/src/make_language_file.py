#!/usr/bin/env python3
"""Builds the language files (data/Lfrm*.bin) from tab-separated source tables.

A language file holds one section per interface language (0 English, 1 French, 2 German,
3 Spanish, 4 Dutch):

    "LangA_Dat" + digit + CR LF, then entries key + "A_Dat" + text + "A_Sep", then "LangA_Sep"

Entries follow each other with nothing in between: the loader finds a message by the text
"A_Sepmsg", so anything between an "A_Sep" and the next key would hide that message. For the same
reason a section never starts with a message entry: it starts with the form's caption entry.
Messages are numbered by their order in the section; their keys are written "msg1", "msg2", ...

Source tables (UTF-8, one row per line, columns separated by a tab, "#" starts a comment line):
  messages table: number, English, French, German, Spanish, Dutch
  controls table: key (control or form name), English, French, German, Spanish, Dutch
Escapes in texts: \\n = CR LF, \\t = tab, \\\\ = backslash. Leading and trailing blanks are kept.

Usage:
  make_language_file.py
      rebuild every file listed in language_files.tsv and in each language_files_*.tsv (beside
      this script; a tool lists its own file in a manifest of its own)
  make_language_file.py --form frmMain --out ../LfrmMain.bin --messages main_messages.tsv
                        --controls main_controls.tsv [--controls more.tsv]
                        [--max-messages 179] [--name-part 68]
"""

import argparse
import glob
import os
import re
import sys
import tempfile

LANGUAGES = ("English", "French", "German", "Spanish", "Dutch")
RESERVED = ("A_Dat", "A_Sep", "LangA_")
# Characters a text that becomes part of a file name may not hold.
NAME_UNSAFE = set('/\\:*?"<>|')
KEY_PATTERN = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")
HERE = os.path.dirname(os.path.abspath(__file__))


class SourceError(Exception):
    """A fault in a source table; reported with its file and line."""


def unescape(text, where):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1:i + 2]
        if nxt == "n":
            out.append("\r\n")
        elif nxt == "t":
            out.append("\t")
        elif nxt == "\\":
            out.append("\\")
        else:
            raise SourceError(f"{where}: unknown escape \\{nxt} (use \\n, \\t or \\\\)")
        i += 2
    return "".join(out)


def tsv_rows(path, columns):
    """Rows of (cells, where) from a tab-separated table; blank lines and lines starting with "#"
    are skipped, and every other line must hold exactly `columns` cells."""
    rows = []
    with open(path, encoding="utf-8", newline="") as f:
        for lineno, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.endswith("\r"):
                line = line[:-1]
            if not line.strip() or line.startswith("#"):
                continue
            where = f"{path}:{lineno}"
            cols = line.split("\t")
            if len(cols) != columns:
                raise SourceError(f"{where}: expected {columns} columns, found {len(cols)}")
            rows.append((cols, where))
    return rows


def read_table(path):
    """Rows of (first column, [five texts], where) from a tab-separated source table."""
    rows = []
    for cols, where in tsv_rows(path, 1 + len(LANGUAGES)):
        texts = [unescape(c, where) for c in cols[1:]]
        for lang, text in zip(LANGUAGES, texts):
            if text == "":
                raise SourceError(f"{where}: the {lang} text is empty")
            for bad in RESERVED:
                if bad in text:
                    raise SourceError(f"{where}: the {lang} text holds the marker {bad!r}")
            if "\x00" in text or re.search(r"(?<!\r)\n|\r(?!\n)", text):
                raise SourceError(f"{where}: the {lang} text holds a NUL or a bare line break")
        rows.append((cols[0].strip(), texts, where))
    return rows


def keyed_rows(paths, check_key=None):
    """{key: [five texts]} from the tables in paths, in table order; a key may appear only once.
    check_key(key, where), when given, raises SourceError for a key the caller refuses."""
    entries = {}
    for path in paths:
        for key, texts, where in read_table(path):
            if check_key:
                check_key(key, where)
            if key in entries:
                raise SourceError(f"{where}: {key!r} appears twice")
            entries[key] = texts
    return entries


def write_file(out, data):
    """Writes data to out through a temporary file in the same folder, so that a reader never
    sees half a file; the new file gets the usual permissions (0666 less the umask)."""
    folder = os.path.dirname(os.path.abspath(out))
    fd, tmp = tempfile.mkstemp(prefix=".gen-", dir=folder)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(tmp, 0o666 & ~umask)
        os.replace(tmp, out)
    except BaseException:
        os.unlink(tmp)
        raise


def check_edges(texts, where):
    """Translations keep the English text's leading and trailing blanks: callers join these texts
    with paths, numbers and other messages."""
    english = texts[0]
    for lang, text in zip(LANGUAGES[1:], texts[1:]):
        if text[:1].isspace() != english[:1].isspace():
            raise SourceError(f"{where}: the {lang} text differs from English in its leading blank")
        if text[-1:].isspace() != english[-1:].isspace():
            raise SourceError(f"{where}: the {lang} text differs from English in its trailing blank")


def load_messages(path, max_messages, name_parts):
    numbered = {}
    for first, texts, where in read_table(path):
        if not first.isdigit() or int(first) < 1:
            raise SourceError(f"{where}: the message number {first!r} is not a positive number")
        n = int(first)
        if n in numbered:
            raise SourceError(f"{where}: message {n} appears twice")
        check_edges(texts, where)
        if n in name_parts:
            for lang, text in zip(LANGUAGES, texts):
                unsafe = sorted({c for c in text if c in NAME_UNSAFE or ord(c) < 32})
                if unsafe:
                    raise SourceError(f"{where}: message {n} is part of a file name; "
                                      f"the {lang} text holds {''.join(unsafe)!r}")
        numbered[n] = texts
    if not numbered:
        return []
    highest = max(numbered)
    missing = [n for n in range(1, highest + 1) if n not in numbered]
    if missing:
        raise SourceError(f"{path}: messages are numbered by position; missing numbers {missing}")
    if highest > max_messages:
        raise SourceError(f"{path}: {highest} messages, but the table holds only {max_messages}")
    return [numbered[n] for n in range(1, highest + 1)]


def check_control_key(key, where):
    if not KEY_PATTERN.match(key):
        raise SourceError(f"{where}: {key!r} is not a control name")
    if key.lower().startswith("msg"):
        raise SourceError(f"{where}: {key!r} would be read as a message (keys starting 'msg')")


def load_controls(paths):
    return keyed_rows(paths, check_control_key)


def build_section(lang, form, controls, messages):
    if form not in controls:
        raise SourceError(f"the controls tables have no caption entry for the form {form!r}; "
                          "a section must start with it")
    parts = [f"LangA_Dat{lang}\r\n"]
    ordered = [form] + [k for k in controls if k != form]
    for key in ordered:
        parts.append(f"{key}A_Dat{controls[key][lang]}A_Sep")
    for i, texts in enumerate(messages, 1):
        parts.append(f"msg{i}A_Dat{texts[lang]}A_Sep")
    parts.append("LangA_Sep\r\n")
    section = "".join(parts)
    # A loader looks a control up by the first occurrence of key + "A_Dat"; make sure that is the
    # control's own entry and not the tail of another key.
    for key in ordered:
        first = section.find(f"{key}A_Dat")
        if section[first - 5:first] != "A_Sep" and first != len(f"LangA_Dat{lang}\r\n"):
            raise SourceError(f"{LANGUAGES[lang]}: the key {key!r} is found inside another entry")
    return section


def build_file(form, out, messages_path, controls_paths, max_messages, name_parts):
    messages = load_messages(messages_path, max_messages, set(name_parts)) if messages_path else []
    controls = load_controls(controls_paths)
    text = "".join(build_section(lang, form, controls, messages) for lang in range(len(LANGUAGES)))
    data = text.encode("utf-8")
    write_file(out, data)
    print(f"{out}: {len(LANGUAGES)} sections, {len(controls)} control entries, "
          f"{len(messages)} messages, {len(data)} bytes")


def split_list(cell):
    return [] if cell.strip() in ("", "-") else [c.strip() for c in cell.split(",") if c.strip()]


def build_manifest(path):
    """Each manifest row: output file (relative to data/), form name, messages table or "-",
    controls tables (comma separated) or "-", table size, message numbers that are file-name parts
    (comma separated) or "-". Table paths are relative to this folder."""
    data_dir = os.path.dirname(HERE)
    for cols, _ in tsv_rows(path, 6):
        out, form, messages, controls, size, names = cols
        build_file(form.strip(), os.path.join(data_dir, out.strip()),
                   None if messages.strip() in ("", "-") else os.path.join(HERE, messages.strip()),
                   [os.path.join(HERE, c) for c in split_list(controls)],
                   int(size), [int(n) for n in split_list(names)])


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--form", help="form name; its caption entry opens every section")
    parser.add_argument("--out", help="language file to write")
    parser.add_argument("--messages", help="messages table (number and five texts)")
    parser.add_argument("--controls", action="append", default=[], help="controls table (key and five texts)")
    parser.add_argument("--max-messages", type=int, default=None,
                        help="size of the message table (default 179 for frmMain, else 100)")
    parser.add_argument("--name-part", type=int, action="append", default=[],
                        help="number of a message that becomes part of a file name")
    args = parser.parse_args(argv)
    try:
        if args.form is None and args.out is None:
            for manifest in sorted(glob.glob(os.path.join(HERE, "language_files*.tsv"))):
                build_manifest(manifest)
        elif args.form and args.out:
            size = args.max_messages or (179 if args.form == "frmMain" else 100)
            build_file(args.form, args.out, args.messages, args.controls, size, args.name_part)
        else:
            parser.error("--form and --out go together")
    except (SourceError, OSError, ValueError) as e:
        print(f"error: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
