"""Reads a manual that `libhammer chm` made from another tool's project back
with chmlib (through pychm) and checks it against the project's folder.

  project_check.py CHM HHP WORD PAGE

- every file of the project's [FILES] section is in the manual, byte for
  byte (names with "\\" as "/");
- the directory has an entry for every folder of those files;
- WORD, searched in the pages' text and in titles only, finds PAGE, and every
  hit carries a title.
Prints every mismatch; exit status 1 if any.
"""
import os
import struct
import sys

from chm import chm, chmlib, extra

extra.struct = struct  # Debian's chm.extra lacks "import struct"


def main(argv):
    path, hhp, word, page = argv[1], argv[2], argv[3].encode(), argv[4].encode()
    folder = os.path.dirname(hhp)
    f = chm.CHMFile()
    if not f.LoadCHM(path):
        print("pychm cannot open", path)
        return 1
    problems = []
    listed, section = [], None
    for line in open(hhp, "rb").read().decode("cp1252").splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].lower()
        elif section == "files" and line and not line.startswith(";") and "*" not in line:
            listed.append(line.replace("\\", "/"))
    folders = set()
    for name in listed:
        disk = os.path.join(folder, name)
        if not os.path.exists(disk):
            continue
        res, ui = chmlib.chm_resolve_object(f.file, b"/" + name.encode())
        if res != chmlib.CHM_RESOLVE_SUCCESS:
            problems.append("%s is not in the manual" % name)
            continue
        size, data = chmlib.chm_retrieve_object(f.file, ui, 0, ui.length)
        if (data if size else b"") != open(disk, "rb").read():
            problems.append("%s differs" % name)
        parts = name.split("/")[:-1]
        for i in range(len(parts)):
            folders.add("/" + "/".join(parts[: i + 1]) + "/")
    for d in sorted(folders):
        res, ui = chmlib.chm_resolve_object(f.file, d.encode())
        if res != chmlib.CHM_RESOLVE_SUCCESS:
            problems.append("no directory entry for the folder %s" % d)
    for titles_only in (0, 1):
        result = f.Search(word, 1, titles_only)
        found = result[1] if result else {}
        if page not in found.values():
            problems.append("%r (titles only: %d) does not find %r: %s" % (word, titles_only, page, found))
        for title in found:
            if not title:
                problems.append("a hit of %r has no title" % word)
    for p in problems[:40]:
        print(p)
    print("%d listed files, %d folders, %d problems" % (len(listed), len(folders), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
