#!/usr/bin/env python3
"""Usage: scripts/mutants-generate.py SEED COUNT > scripts/mutants.list

Writes a list of COUNT seeded faults for scripts/mutants.sh over the Linux
sources of the library and its tools. Each subsystem gets a share of COUNT in
proportion to its lines of code; within a subsystem the faults are drawn in
turn from each kind (so every kind is present where the code offers it), at
most one per source line. A fault names its file, the whole original line
(trimmed; it must occur exactly once in the file) and the line that replaces
it, so it keeps applying while unrelated parts of the file change.

The list is generated once and then kept: scores taken before and after a
change of the tests compare on the same faults. Run it again only to start a
new series of scores.
"""
import os
import random
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NOT_CODE = re.compile(r"^(tests|fuzz|bench|examples|scripts|cmake|build.*|docs?|debian|packaging)$")
SOURCE = re.compile(r"\.(cc|cpp|c|h|hpp)$")
WINDOWS_ONLY = re.compile(r"_windows\.(cc|h)$")
# Public headers belong to the subsystem they declare.
HEADER_SUBSYSTEM = {
    "VemContainers.h": "containers", "VemParams.h": "params",
    "VemSettings.h": "settings", "VemMMF.h": "mmf", "VemMsgBox.h": "msgbox",
}

FLIP = {"==": "!=", "!=": "==", "<": "<=", "<=": "<", ">": ">=", ">=": ">"}
COMPARISON = re.compile(r"(?<=\s)(==|!=|<=|>=|<|>)(?=\s)")
OFF_BY_ONE = re.compile(r"(?<=[\s(])([+-]) (\d+)\b(?![.\w])")
LOOP_START = re.compile(r"\bfor \([^;]*= (\d+);")
INTEGER = re.compile(r"(?<![\w.])(0x[0-9A-Fa-f]+|\d+)([uUlL]*)\b(?![.\w])")
BOOLEAN = re.compile(r"\b(true|false)\b")
CONDITION = re.compile(r"\b(if|while) \(")
RETURN = re.compile(r"^return (.+);$")
EXPRESSION_STATEMENT = re.compile(
    r"^(\+\+|--)?\*?[A-Za-z_][\w:]*((\.|->)[A-Za-z_]\w*|\[[^\]]*\])*"
    r"\s*(\(.*\)|[-+|&]?= .*|\+\+|--);$|^delete(\[\])? [\w.>-]+;$")
# A declaration cannot be negated (if (T* x = ...)) or dropped (a parameter
# list in a header looks like a call).
DECLARATION = re.compile(r"^(const )?[A-Za-z_][\w:<>,]*[*&]* [*&]*[A-Za-z_]\w* = ")
DECLARATION_ARGUMENT = re.compile(r"\w[*&]? [A-Za-z_]\w*[,)]")
PURE_VIRTUAL = re.compile(r"\) (const )?= 0;")
NOT_STATEMENT = re.compile(r"^(return|break|continue|goto|case|default|else|throw)\b")


def subsystem(path):
    top, _, rest = path.partition("/")
    if top == "include":
        return HEADER_SUBSYSTEM.get(rest)
    return top


def source_files():
    for top in sorted(os.listdir(ROOT)):
        if NOT_CODE.match(top) or top.startswith(".") or not os.path.isdir(os.path.join(ROOT, top)):
            continue
        for folder, dirs, files in os.walk(os.path.join(ROOT, top)):
            dirs.sort()
            for name in sorted(files):
                if SOURCE.search(name) and not WINDOWS_ONLY.search(name):
                    yield os.path.relpath(os.path.join(folder, name), ROOT)


def mask_literals(line):
    """The line with string and character literals blanked and a trailing
    // comment cut, so operators inside them are not taken for code."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("__")
                i += 2
                continue
            out.append(c if c == quote else "_")
            quote = None if c == quote else quote
        elif line.startswith("//", i):
            break
        else:
            if c in "\"'":
                quote = c
            out.append(c)
        i += 1
    return "".join(out).rstrip()


def balanced(text):
    depth = 0
    for c in text:
        depth += {"(": 1, ")": -1}.get(c, 0)
        if depth < 0:
            return False
    return depth == 0


def closing_paren(text, start):
    depth = 0
    for i in range(start, len(text)):
        depth += {"(": 1, ")": -1}.get(text[i], 0)
        if depth == 0:
            return i
    return -1


def candidates(code, masked, previous):
    """(kind, replacement) pairs for one trimmed line of code."""
    def at(match, group, new):
        return code[:match.start(group)] + new + code[match.end(group):]

    for m in COMPARISON.finditer(masked):
        yield "comparison", at(m, 1, FLIP[m.group(1)])
    for m in OFF_BY_ONE.finditer(masked):
        yield "off-by-one", at(m, 2, str(int(m.group(2)) + 1))
    for m in LOOP_START.finditer(masked):
        yield "off-by-one", at(m, 1, str(int(m.group(1)) + 1))
    for m in CONDITION.finditer(masked):
        end = closing_paren(masked, m.end() - 1)
        if end > 0 and not DECLARATION.match(masked[m.end():end]):
            inner = code[m.end():end]
            yield "negated", code[:m.end()] + "!(" + inner + ")" + code[end:]
    for m in INTEGER.finditer(masked):
        if OFF_BY_ONE.search(masked[max(0, m.start() - 3):m.end()]) or PURE_VIRTUAL.search(masked):
            continue
        text = m.group(1)
        value = int(text, 16) if text.startswith("0x") else int(text)
        negative = masked[:m.start()].endswith("-")
        if text.startswith("0x"):
            new = "0x%X" % (value + 1) if text[2:].isupper() or text[2:].isdigit() else "0x%x" % (value + 1)
        elif value in (0, 1) and not negative:
            new = str(1 - value)
        else:
            new = str(value + 1)
        yield "constant", at(m, 1, new)
    ret = RETURN.match(masked)
    for m in BOOLEAN.finditer(masked):
        kind = "inverted" if ret else "constant"
        yield kind, at(m, 1, "false" if m.group(1) == "true" else "true")
    # Only a plainly boolean result is inverted: a comparison or logical
    # operator at the top, no conditional operator that might pick a value.
    if ret and not BOOLEAN.fullmatch(ret.group(1)) and "?" not in ret.group(1) \
            and (COMPARISON.search(ret.group(1)) or re.search(r"&&|\|\||^!", ret.group(1))) \
            and balanced(ret.group(1)):
        yield "inverted", "return !(" + code[len("return "):len(masked) - 1] + ");" + code[len(masked):]
    if (EXPRESSION_STATEMENT.match(masked) and not NOT_STATEMENT.match(masked) and balanced(masked)
            and not DECLARATION_ARGUMENT.search(masked)
            and (previous == "" or previous[-1] in ";{}):")):
        yield "dropped", "{}"


def file_candidates(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        text = f.read()
    in_comment = skipping = False
    previous = ""
    for raw in text.splitlines():
        code = raw.strip()
        if in_comment:
            in_comment = "*/" not in code
            continue
        if code.startswith("/*"):
            in_comment = "*/" not in code
            continue
        if re.match(r"#\s*if(def)?\b.*_WIN32", code):
            skipping = True
        if code.startswith("#"):
            if re.match(r"#\s*(else|endif)", code):
                skipping = False
            continue
        masked = mask_literals(code)
        if skipping or not masked or masked.startswith("static_assert") or text.count(code) != 1:
            previous = masked or previous
            continue
        for kind, replacement in candidates(code, masked, previous):
            if replacement != code:
                yield kind, code, replacement
        previous = masked


def code_lines(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return sum(1 for line in f if line.strip() and not line.strip().startswith("//"))


def main():
    seed, count = int(sys.argv[1]), int(sys.argv[2])
    rng = random.Random(seed)
    files = [p for p in source_files() if subsystem(p)]
    sizes, pool = {}, {}
    for path in files:
        name = subsystem(path)
        sizes[name] = sizes.get(name, 0) + code_lines(path)
        for kind, code, replacement in file_candidates(path):
            pool.setdefault(name, {}).setdefault(kind, []).append((path, code, replacement))
    total = sum(sizes.values())
    faults = []
    for name in sorted(sizes):
        quota = max(1, round(count * sizes[name] / total))
        kinds = {k: v[:] for k, v in sorted(pool.get(name, {}).items())}
        for choices in kinds.values():
            rng.shuffle(choices)
        used, chosen = set(), []
        while len(chosen) < quota and any(kinds.values()):
            for kind in list(kinds):
                while kinds[kind] and len(chosen) < quota:
                    path, code, replacement = kinds[kind].pop()
                    if (path, code) not in used:
                        used.add((path, code))
                        chosen.append((path, kind, code, replacement))
                        break
        faults += sorted(chosen)
    print(f"# Seeded faults for scripts/mutants.sh: generated by scripts/mutants-generate.py {seed} {count},")
    print("# then kept fixed. Per fault: 'ID FILE KIND', the original line ('-'),")
    print("# the line that replaces it ('+'), and for a fault that changes no")
    print("# behaviour a line '= equivalent: REASON'.")
    for number, (path, kind, code, replacement) in enumerate(faults, 1):
        print(f"\nm{number:03d} {path} {kind}\n  - {code}\n  + {replacement}")


if __name__ == "__main__":
    main()
