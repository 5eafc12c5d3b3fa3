#!/usr/bin/env python3
"""Finds lambda expressions written inside a co_await operand.

g++ 12 destroys such a lambda temporary twice (its captures are released twice), which corrupts
shared state in ways that surface far away. Bind the lambda to a named local and pass it with
std::move instead. Exits 1 and lists the places when it finds any."""
import pathlib
import re
import sys

LAMBDA = re.compile(r"\[[^\[\]]*\]\s*(\([^()]*\))?\s*(mutable\s*)?(->\s*[\w:<>, ]+\s*)?\{")


def operand_end(text, start):
    depth = 0
    for i in range(start, len(text)):
        c = text[i]
        if c in "({[":
            depth += 1
        elif c in ")}]":
            if depth == 0:
                return i
            depth -= 1
        elif c == ";" and depth == 0:
            return i
    return len(text)


def main(roots):
    found = []
    for root in roots:
        for path in sorted(pathlib.Path(root).rglob("*")):
            if path.suffix not in (".cpp", ".h") or "build" in path.parts:
                continue
            text = path.read_text(errors="replace")
            for match in re.finditer(r"\bco_await\b", text):
                operand = text[match.end() : operand_end(text, match.end())]
                if LAMBDA.search(operand):
                    line = text.count("\n", 0, match.start()) + 1
                    found.append(f"{path}:{line}: lambda inside a co_await operand")
    for place in found:
        print(place)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
