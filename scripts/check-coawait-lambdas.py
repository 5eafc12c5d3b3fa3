#!/usr/bin/env python3
"""Finds three coroutine traps of this tool chain.

1. A lambda expression inside a co_await operand: g++ 12 destroys such a temporary twice (its
   captures are released twice), which corrupts shared state far away. Bind the lambda to a named
   local and pass it with std::move.
2. `co_return` of a member or of something reached through a pointer: QCoro 0.8's return_value
   takes a forwarding reference and moves from it, emptying the object's own state. Return a copy.
3. A co_await inside a throw expression: g++ 12 corrupts the heap with it. Await into a local and
   throw that.

Exits 1 and lists the places when it finds any."""
import pathlib
import re
import sys

MEMBER_RETURN = re.compile(r"^\*?(m_\w+([.]|->)?[\w.>\-]*|this->[\w.>\-]+|[A-Za-z_]\w*->[\w.>\-]+)$")
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
            for match in re.finditer(r"\bthrow\b", text):
                if re.search(r"\bco_await\b", text[match.end() : operand_end(text, match.end())]):
                    line = text.count("\n", 0, match.start()) + 1
                    found.append(f"{path}:{line}: co_await inside a throw expression")
            for match in re.finditer(r"\bco_return\b", text):
                operand = text[match.end() : operand_end(text, match.end())].strip()
                if MEMBER_RETURN.match(operand):
                    line = text.count("\n", 0, match.start()) + 1
                    found.append(f"{path}:{line}: co_return of a member moves from it; return a copy")
    for place in found:
        print(place)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
