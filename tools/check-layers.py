#!/usr/bin/env python3
"""Checks the includes of src/ against the layer order written in src/CMakeLists.txt.

The list set(VORLEN_LAYERS ...) names the folders of src/, bottom to top; a file may include
headers of its own folder and of the folders listed before it, nothing else. Includes are
resolved as the compiler does: first relative to the including file ("../core/X.h",
"Sibling.h"), then from src/ ("core/X.h"). Headers outside src/ (the system's, the
libraries') are not checked.

Usage: check-layers.py [REPOSITORY]   (default: the repository this script belongs to)
Prints one line per include that goes against the order, and exits 1 when there is any."""
import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inl")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def read_layers(cmake_file):
    lines = open(cmake_file, encoding="utf-8").read().splitlines()
    text = "\n".join(line.split("#", 1)[0] for line in lines)  # without comments
    block = re.search(r"set\(\s*VORLEN_LAYERS\b([^)]*)\)", text)
    if not block:
        sys.exit("%s: no set(VORLEN_LAYERS ...) list" % cmake_file)
    return {folder: rank for rank, folder in enumerate(block.group(1).split())}


def check(repository):
    src = os.path.join(repository, "src")
    ranks = read_layers(os.path.join(src, "CMakeLists.txt"))
    problems = []
    files = 0
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            files += 1
            path = os.path.join(root, name)
            shown = os.path.relpath(path, repository)
            folder = os.path.relpath(root, src).replace(os.sep, "/")
            if folder not in ranks:
                problems.append("%s: the folder %s is not in the layer list" % (shown, folder))
                continue
            text = open(path, encoding="utf-8", errors="replace").read()
            for match in INCLUDE.finditer(text):
                quoted, target = match.group(1) == '"', match.group(2)
                line = text.count("\n", 0, match.start()) + 1
                candidates = [os.path.join(root, target)] if quoted else []
                candidates.append(os.path.join(src, target))
                found = next((os.path.normpath(c) for c in candidates if os.path.isfile(c)), None)
                if found is None:
                    continue
                if os.path.relpath(found, src).startswith(".."):
                    problems.append("%s:%d: includes %s from outside src/" % (shown, line, target))
                    continue
                to = os.path.relpath(os.path.dirname(found), src).replace(os.sep, "/")
                if to not in ranks:
                    problems.append("%s:%d: includes %s of %s, a folder not in the layer list"
                                    % (shown, line, target, to))
                elif ranks[to] > ranks[folder]:
                    problems.append("%s:%d: includes %s of %s, a layer above %s"
                                    % (shown, line, target, to, folder))
    return files, problems


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    repository = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(here)
    files, problems = check(repository)
    for problem in problems:
        print(problem)
    print("%d files checked against %s: %d problems" % (files, "src/CMakeLists.txt", len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
