#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every text the documents quote from the programs is one the programs hold.

    quoted_texts.py SOURCE_DIR

A document quotes a program's own text in double quotes: a caption, a message box, a line on
standard error. Each such quote of two words or more must stand in the product's sources: in their
string literals (adjacent literals joined, as the compiler joins them) or in the product's
scripts. "..." in a quote stands for a part left out, and a placeholder in capitals (N, DEVICE,
FILE, ...) or a lone "n" for a value filled in, and " / " separates alternatives; the pieces between
them are looked up one by one. A piece may be made of several of the programs' texts put together
(a message and the reason it names): each part, of six letters or more, must then be one of them.
Quotes of words that are not the programs' own (a Windows menu's name, a lintian phrase) are listed
in NOT_THE_PROGRAMS' below.
"""

import pathlib
import re
import sys

# Where the documents are, and where the texts they quote come from.
DOCUMENTS = ["README.md", "docs/*.md", "*/README.md", "packaging/windows/README.txt"]
SOURCES = ["library/src", "library/include", "serial/src", "serial/include", "serial/tools",
           "program/core", "program/qt", "program/win32", "simulator/src", "files/src"]
SCRIPTS = ["program/run-with-simulator.sh", "packaging/windows/zarvo.nsi.in",
           "packaging/windows/zarvo.nsi"]
# Quoted words that are some other program's, or plain English of the documents.
NOT_THE_PROGRAMS = {
    "intent to package",                             # lintian's words
    "Program Files", "Arquivos de Programas",        # Windows' folder, in English and Portuguese
    "Latency Timer (msec)",                          # the adapter driver's setting
    "No such file or directory", "Permission denied",  # the system's words for an error
    "Device or resource busy",
}
PLACEHOLDER = re.compile(r"\.\.\.|…| / |\b(?:[A-Z]{1,}(?:_[A-Z]+)*|n)\b(?![_<(])")
LITERAL = re.compile(r'(?:u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"')
QUOTE = re.compile(r'"([^"\n]+)"')


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def squeeze(text):
    return " ".join(text.split())


def source_texts(root):
    """The string literals of the product's C and C++ files, adjacent ones joined, and the
    product's scripts as they stand."""
    texts = []
    for folder in SOURCES:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in {".c", ".cpp", ".h", ".in"} or not path.is_file():
                continue
            code = path.read_text(encoding="utf-8")
            joined, last_end = [], None
            for match in LITERAL.finditer(code):
                between = code[last_end:match.start()] if last_end is not None else None
                if joined and between is not None and between.strip() == "":
                    joined[-1] += unescape(match.group(1))
                else:
                    joined.append(unescape(match.group(1)))
                last_end = match.end()
            texts.extend(joined)
    for script in SCRIPTS:
        path = root / script
        if path.is_file():
            texts.append(path.read_text(encoding="utf-8"))
    return squeeze("\u0001".join(texts))


def quotes(path):
    """The double-quoted texts of a document, its table rows and wrapped lines joined."""
    text = path.read_text(encoding="utf-8")
    # Code blocks and code spans are commands and names, not the programs' texts.
    text = re.sub(r"```.*?```", " ", text, flags=re.S)
    text = re.sub(r"`[^`\n]*`", " ", text)
    for paragraph in re.split(r"\n\s*\n|\n(?=\|)", text):
        for match in QUOTE.finditer(" ".join(paragraph.split("\n"))):
            yield squeeze(match.group(1))


def covered(piece, corpus):
    """Whether @piece is one text of the corpus or several put end to end, each of whole words and
    six letters or more but for a last word: the longest such start of it that the corpus holds is taken off, then the
    rest is looked up the same way."""
    if piece in corpus:
        return True
    while piece:
        low, high = 0, len(piece)  # the corpus holds piece[:low]; a longer start is not known yet
        while low < high:
            middle = (low + high + 1) // 2
            if piece[:middle] in corpus:
                low = middle
            else:
                high = middle - 1
        while 0 < low < len(piece) and not piece[low].isspace():
            low -= 1  # back to the end of a word
        # Short parts pass only as the last word of a piece: "... in" before a placeholder.
        if sum(c.isalpha() for c in piece[:low]) < 6 and not (low == len(piece) and " " not in piece):
            return False
        piece = piece[low:].strip(" .,:;/()")
    return True


def main():
    root = pathlib.Path(sys.argv[1])
    corpus = source_texts(root)
    missing = []
    documents = sorted({p for pattern in DOCUMENTS for p in root.glob(pattern)})
    for document in documents:
        for quote in quotes(document):
            if len(quote.split()) < 2 or quote in NOT_THE_PROGRAMS:
                continue
            for piece in PLACEHOLDER.split(quote):
                piece = piece.strip(" .,:;/()")
                if sum(c.isalpha() for c in piece) >= 4 and not covered(piece, corpus):
                    missing.append(f"{document.relative_to(root)}: \"{quote}\" ({piece!r})")
                    break
    for line in missing:
        print(f"not in the sources: {line}")
    print(f"{len(documents)} documents checked, {len(missing)} quotes not found")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
