#!/usr/bin/env bash
# guide_pictures_test.sh PACKAGE.zip
#   The guide in the package shows every dialog it names: each subsection of its dialogs section
#   carries a picture, and every picture it refers to is in the package as a PNG image.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
python3 -m zipfile -e "$1" "$scratch/"
python3 - "$scratch"/*/docs/integrators-guide.md <<'PY'
import pathlib, re, sys

guide = pathlib.Path(sys.argv[1])
text = guide.read_text()
failures = []
# The dialogs section: from its "## ...Dialogs..." heading to the next "## " heading.
sections = re.split(r"^## ", text, flags=re.M)
dialogs = [s for s in sections if re.match(r"[^\n]*\bdialogs?\b", s, re.I)]
if len(dialogs) != 1:
    sys.exit(f"FAIL: the guide has {len(dialogs)} dialogs sections, not one")
named = re.split(r"^### ", dialogs[0], flags=re.M)[1:]
if not named:
    failures.append("the dialogs section names no dialog")
for subsection in named:
    title = subsection.splitlines()[0]
    if not re.search(r"!\[[^\]]*\]\(images/[^)]+\.png\)", subsection):
        failures.append(f"the dialog '{title}' has no picture")
for picture in sorted(set(re.findall(r"!\[[^\]]*\]\((images/[^)]+)\)", text))):
    path = guide.parent / picture
    if not path.is_file():
        failures.append(f"{picture} is not in the package")
    elif path.read_bytes()[:8] != b"\x89PNG\r\n\x1a\n":
        failures.append(f"{picture} is not a PNG image")
for failure in failures:
    print("FAIL:", failure)
print(f"{len(named)} dialogs named, {len(failures)} failures")
sys.exit(1 if failures else 0)
PY
