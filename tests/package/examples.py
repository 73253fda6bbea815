#!/usr/bin/python3
# Writes the example INI files of the README (its ```ini blocks) and of the manual page (its
# .nf/.fi blocks whose first line names an .ini file) into a folder, as the reader would copy them.
import gzip
import pathlib
import re
import sys

readme, manual, folder = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
examples = {}

blocks = re.findall(r"^```ini\n(.*?)^```", pathlib.Path(readme).read_text(), re.M | re.S)
for number, block in enumerate(blocks, 1):
    examples[f"readme-{number}.ini"] = block

troff = gzip.open(manual, "rt").read()
for block in re.findall(r"^\.nf\n(.*?)^\.fi", troff, re.M | re.S):
    first = block.split("\n", 1)[0]
    if first.startswith("; ") and first.endswith(".ini"):
        examples["man-" + first[2:]] = block.replace("\\-", "-")

if len(examples) < 3:
    sys.exit(f"expected the README's and the manual page's examples, found {sorted(examples)}")
for name, text in examples.items():
    (folder / name).write_text(text)
