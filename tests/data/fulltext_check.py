"""Searches a compiled help file with pychm and checks the hits against the
words of its pages, read here independently of the compiler.

  fulltext_check.py CHM [--sample N] [--pages N] [--expect WORD]... [--min-leaves N]

--pages N checks the rarest word of each of N pages drawn at random, and no
prefixes: for manuals of many thousand pages, where a search for a common
word lists them all.

Words: the pages' text outside tags and outside the TITLE (character
references decoded), cut into runs of Windows-1252 letters and digits,
lower-cased. A tag that only changes the font does not cut a word. Each hit
must show its topic's title, which for these manuals is the page's name, and
each word of a page's TITLE, searched in titles only, must find that page.
Prints every mismatch; exit status 1 if any.
"""
import html.parser
import os
import random
import struct
import sys

from chm import chm, chmlib, extra

extra.struct = struct  # Debian's chm.extra lacks "import struct"

INLINE = {"a", "abbr", "acronym", "b", "basefont", "bdo", "big", "cite", "code", "dfn", "em",
          "font", "i", "kbd", "nobr", "q", "s", "samp", "small", "span", "strike", "strong",
          "sub", "sup", "tt", "u", "var"}
MAX_WORD = 99


class Text(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts = []
        self.title = ""
        self.hidden = 0

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "style", "title"):
            self.hidden += 1
        if tag not in INLINE:
            self.parts.append(" ")

    def handle_endtag(self, tag):
        if tag in ("script", "style", "title"):
            self.hidden = max(0, self.hidden - 1)
        if tag not in INLINE:
            self.parts.append(" ")

    def handle_data(self, data):
        if not self.hidden:
            self.parts.append(data)
        elif self.lasttag == "title":
            self.title += data


def split_words(text):
    words, cur = [], []
    for ch in text + " ":
        if ch.isalpha() or ch in "0123456789":
            try:
                ch.encode("cp1252")
                cur.append(ch.lower())
                continue
            except UnicodeEncodeError:
                pass
        if cur:
            w = "".join(cur).encode("cp1252")
            if len(w) <= MAX_WORD:
                words.append(w)
            cur = []
    return words


def title_words_of(page_bytes):
    p = Text()
    p.feed(page_bytes.decode("cp1252", errors="replace"))
    p.close()
    return split_words(p.title)


def words_of(page_bytes):
    p = Text()
    p.feed(page_bytes.decode("cp1252", errors="replace"))
    p.close()
    return split_words("".join(p.parts))


def pages_of(f):
    names = []

    def each(h, ui, ctx):
        if ui.path.lower().endswith(b".html"):
            names.append(ui.path)
        return chmlib.CHM_ENUMERATOR_CONTINUE

    chmlib.chm_enumerate(f.file, chmlib.CHM_ENUMERATE_NORMAL, each, None)
    pages = {}
    for name in names:
        res, ui = chmlib.chm_resolve_object(f.file, name)
        size, content = chmlib.chm_retrieve_object(f.file, ui, 0, ui.length)
        # The directory spells names in UTF-8, #URLSTR in the manual's code page.
        try:
            url = name.lstrip(b"/").decode("utf-8").encode("cp1252")
        except (UnicodeDecodeError, UnicodeEncodeError):
            url = name.lstrip(b"/")
        pages[url] = content
    return pages


def main(argv):
    path, sample, expect, min_leaves, page_count = argv[1], 0, [], 0, 0
    i = 2
    while i < len(argv):
        if argv[i] == "--sample":
            sample, i = int(argv[i + 1]), i + 2
        elif argv[i] == "--pages":
            page_count, i = int(argv[i + 1]), i + 2
        elif argv[i] == "--min-leaves":
            min_leaves, i = int(argv[i + 1]), i + 2
        elif argv[i] == "--expect":
            expect.append(os.fsencode(argv[i + 1])); i += 2
        else:
            raise SystemExit("unknown argument " + argv[i])
    f = chm.CHMFile()
    if not f.LoadCHM(path):
        print("pychm cannot open", path); return 1
    if not f.IsSearchable():
        print("not searchable"); return 1
    res, ui = chmlib.chm_resolve_object(f.file, b"/$FIftiMain")
    size, header = chmlib.chm_retrieve_object(f.file, ui, 0, 0x20)
    leaves, depth = struct.unpack_from("<I", header, 0x10)[0], struct.unpack_from("<H", header, 0x18)[0]
    pages = pages_of(f)
    words = {url: set(words_of(content)) for url, content in pages.items()}
    pages_with = {}
    for url, ws in words.items():
        for w in ws:
            pages_with.setdefault(w, set()).add(url)
    rng = random.Random(1)
    problems = []

    cache = {}

    def hits(text, whole):
        key = (text, whole)
        if key not in cache:
            result = f.Search(text, 1 if whole else 0, 0)
            found = result[1] if result else {}
            for title, url in found.items():
                if title + b".html" != url:
                    problems.append("hit %r shows the title %r" % (url, title))
            cache[key] = set(found.values())
        return cache[key]

    checked = 0
    checked_pages = sorted(words)
    if page_count and len(checked_pages) > page_count:
        checked_pages = sorted(rng.sample(checked_pages, page_count))
    for url in checked_pages:
        ws = sorted(words[url])
        if page_count and ws:
            # The page's rarest word: pychm reads each hit's title and URL
            # through the compressed section, so a word on every page of a
            # large manual takes minutes to list.
            ws = [min(ws, key=lambda w: (len(pages_with[w]), w))]
        elif sample and len(ws) > sample:
            ws = rng.sample(ws, sample)
        for w in ws:
            checked += 1
            # Each hit is a page that has the word; the page itself is among them.
            got = hits(w, True)
            if got != pages_with[w]:
                problems.append("whole word %r: got %s, want %s" % (w, sorted(got)[:5], sorted(pages_with[w])[:5]))
    all_words = sorted(pages_with)
    for w in rng.sample(all_words, 0 if page_count else min(len(all_words), 200)):
        for n in {1, 2, len(w) // 2, len(w)}:
            prefix = w[:max(n, 1)]
            want = set().union(*(pages_with[x] for x in all_words if x.startswith(prefix)))
            got = hits(prefix, False)
            if got != want:
                problems.append("prefix %r: got %d pages, want %d" % (prefix, len(got), len(want)))
            if prefix != w and hits(prefix, True) != pages_with.get(prefix, set()):
                problems.append("whole word %r matched as a prefix" % prefix)
    for w in (b"zzqxjv", b"qqqq", b"\xff\xff", b"0000000000"):
        if w not in pages_with and hits(w, True):
            problems.append("word on no page %r found" % w)
    for w in all_words[:1] + all_words[-1:]:
        longer = w + b"zzz"
        if longer not in pages_with and hits(longer, True):
            problems.append("word on no page %r found" % longer)
    # "Search titles only": every word of a page's TITLE finds the page, and
    # only pages whose TITLE has the word.
    titled = {}
    for url, content in pages.items():
        for w in title_words_of(content):
            titled.setdefault(w, set()).add(url)
    titled_pages = sorted(pages.items())
    if (sample or page_count) and len(titled_pages) > 200:
        titled_pages = rng.sample(titled_pages, 200)
    for url, content in titled_pages:
        for w in title_words_of(content)[:3]:
            result = f.Search(w, 1, 1)
            found = set(result[1].values()) if result else set()
            if found != titled[w]:
                problems.append("title word %r: got %s, want %s" % (w, sorted(found)[:5], sorted(titled[w])[:5]))
    if pages and not titled:
        problems.append("no page has a TITLE")
    for w in expect:
        if w not in pages_with:
            problems.append("expected word %r is on no page" % w)
    if leaves < min_leaves:
        problems.append("%d leaves, fewer than %d" % (leaves, min_leaves))
    for p in problems[:40]:
        print(p)
    print("%d pages, %d words (%d leaves, depth %d), %d checked, %d problems"
          % (len(pages), len(all_words), leaves, depth, checked, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
