#!/usr/bin/env python3
"""Keeps the VST 2 types in the VST 2 front.

Every front of the instrument other than VST 2 (each folder under host/ but
vst2/, and player/) and the instrument's interfaces (host/interface/) drive
the editor through its format-neutral view: none of them names the VST 2
editor, its rectangle, its key code or the plug-in structure, and the
interfaces name no VST 2 integer type either. Prints every file and line that
breaks this and exits 1; 0 when none does.

    check_front_types.py [root]     checks the tree at root (default: ..)
    check_front_types.py --self-test
"""

import os
import re
import sys
import tempfile

VST2_TYPES = ("AEffEditor", "ERect", "VstKeyCode", "AEffect")
# Folder (relative to the root) and the names it may not hold.
RULES = (
    ("host/interface", VST2_TYPES + ("VstInt32",)),
    ("player", VST2_TYPES),
)
FRONTS_UNDER = "host"
VST2_FRONT = "vst2"
SOURCE_ENDINGS = (".h", ".hpp", ".c", ".cc", ".cpp", ".mm")


def rules_for(root):
    """The rules above, and one for each front folder under host/."""
    rules = list(RULES)
    host = os.path.join(root, FRONTS_UNDER)
    if os.path.isdir(host):
        for name in sorted(os.listdir(host)):
            folder = os.path.join(FRONTS_UNDER, name)
            if name in (VST2_FRONT, "interface") or not os.path.isdir(os.path.join(root, folder)):
                continue
            rules.append((folder, VST2_TYPES))
    return rules


def breaches(root):
    """(path relative to root, line number, name) for every name where it may not be."""
    found = []
    for folder, names in rules_for(root):
        pattern = re.compile(r"\b(" + "|".join(names) + r")\b")
        for directory, subfolders, files in os.walk(os.path.join(root, folder)):
            subfolders.sort()
            for file_name in sorted(files):
                if not file_name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(directory, file_name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        for match in pattern.finditer(line):
                            found.append((os.path.relpath(path, root), number, match.group(1)))
    return found


def self_test():
    # (file, content, names expected to be reported)
    cases = (
        ("host/lv2/ui/Ui.cpp", "ERect* rect;\n", ["ERect"]),
        ("host/clap/Front.h", "class AEffEditor;\n", ["AEffEditor"]),
        ("host/jack/Jack.cpp", "AEffect* effect; VstKeyCode key;\n", ["AEffect", "VstKeyCode"]),
        ("host/interface/CView.h", "VstInt32 index;\n", ["VstInt32"]),
        ("host/interface/CSize.h", "struct Size { int width; };\n", []),
        ("player/CPlayer.cpp", "// the window reports EditorKey\n", []),
        ("player/Win.h", "CRect r; AudioEffectX x; AEffectX y;\n", []),
        ("player/notes.txt", "AEffEditor\n", []),
        ("host/vst2/Plugin.cpp", "AEffEditor* e; ERect* r; VstInt32 i;\n", []),
        ("host/CInstrument.cpp", "AEffEditor* e;\n", []),
        ("host/jack/CJack.cpp", "VstInt32 i;\n", []),
    )
    failures = 0
    with tempfile.TemporaryDirectory() as root:
        for relative, content, _ in cases:
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as out:
                out.write(content)
        found = breaches(root)
        for relative, _, expected in cases:
            reported = [name for path, _, name in found if path == relative]
            if reported != expected:
                print(f"self-test: {relative}: reported {reported}, expected {expected}")
                failures += 1
    print("self-test: " + ("failed" if failures else f"{len(cases)} cases passed"))
    return 1 if failures else 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    found = breaches(root)
    for path, number, name in found:
        print(f"{path}:{number}: {name} belongs to the VST 2 front (host/vst2/) only")
    if found:
        print(f"{len(found)} VST 2 name(s) outside the VST 2 front")
        return 1
    print("no VST 2 editor types outside the VST 2 front")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
