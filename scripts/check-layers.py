#!/usr/bin/env python3
"""Fails when an #include in src/ goes against the layers' direction or closes a cycle.

The layers, each a folder under src/ and a target of its own, depend one way:
    platform -> core -> journal -> exam -> pupil -> ui / reports -> app
A layer includes its own headers and those of the layers before it. ui and reports stand side by
side: ui knows of reports only the plug-in's interface (reports/reports_plugin.h). answers keeps
the answers in SQLite and depends on platform and core alone; of src/ only app includes it (tests,
benchmarks and fuzz targets too, which are not checked here). app includes anything.

A component is a header and its source of the same name; the include graph between components
must have no cycle. Each fault is printed as file:line with the edge; the exit status is 1 then.
"""

import re
import sys
from pathlib import Path

ORDER = ["platform", "core", "journal", "exam", "pupil", ("ui", "reports"), "app"]
RANK = {}
for rank, entry in enumerate(ORDER):
    for layer in entry if isinstance(entry, tuple) else (entry,):
        RANK[layer] = rank
# Beside the line: below what it may include, and who may include it.
ANSWERS_USES = {"platform", "core", "answers"}
ANSWERS_USED_BY = {"answers", "app"}
# Edges between layers of the same rank that are allowed, by the header included.
SIDEWAYS = {("ui", "reports"): {"reports/reports_plugin.h"}}

# Quoted or bracketed: `#include <exam/x.h>` finds our headers just as well through src/.
INCLUDE = re.compile(r'^\s*#\s*include\s+["<]([^">]+)[">]')


def layer_of(path):
    """The layer of a path relative to src/: its first folder (ui/viewer is ui)."""
    parts = Path(path).parts
    return parts[0] if len(parts) > 1 else None


def edge_problem(source, header):
    """Why `source` (a layer) may not include `header` (a path below src/); None when it may."""
    src, dst = layer_of(source), layer_of(header)
    if src == dst or src == "app":
        return None
    if dst == "answers":
        return None if src in ANSWERS_USED_BY else "only answers and app include answers"
    if src == "answers":
        return None if dst in ANSWERS_USES else "answers depends on platform and core alone"
    if src not in RANK or dst not in RANK:
        return "a folder of no known layer"
    if RANK[dst] < RANK[src]:
        return None
    if RANK[dst] == RANK[src] and header in SIDEWAYS.get((src, dst), set()):
        return None
    return "against the direction " + " -> ".join(
        "/".join(e) if isinstance(e, tuple) else e for e in ORDER)


def find_cycles(graph):
    """One cycle (as a path of components) for every strongly connected part of the graph."""
    index, low, on_stack, stack, parts = {}, {}, set(), [], []
    counter = [0]

    def visit(start):
        # Tarjan's algorithm, iterative: a long chain of headers must not hit the recursion limit.
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                part = set()
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    part.add(member)
                    if member == node:
                        break
                if len(part) > 1:
                    parts.append(part)

    for node in sorted(graph):
        if node not in index:
            visit(node)

    cycles = []
    for part in parts:
        # The shortest way back to the part's first member, within the part.
        first = min(part)
        came_from, queue, found = {first: None}, [first], None
        while queue and found is None:
            node = queue.pop(0)
            for child in sorted(graph.get(node, ())):
                if child == first:
                    found = node
                    break
                if child in part and child not in came_from:
                    came_from[child] = node
                    queue.append(child)
        path = [first]
        node = found
        while node is not None and node != first:
            path.insert(1, node)
            node = came_from[node]
        cycles.append(path + [first])
    return cycles


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "src"
    files = sorted(p for p in root.rglob("*") if p.suffix in (".h", ".cpp") and p.is_file())
    faults = []
    graph = {}
    where = {}  # (component, component) -> the first file:line that makes the edge
    for path in files:
        rel = path.relative_to(root).as_posix()
        component = rel.rsplit(".", 1)[0]
        graph.setdefault(component, set())
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            header = match.group(1)
            if not (root / header).is_file():
                # A path relative to the including file ("../exam/x.h") is ours all the same.
                beside = (path.parent / header).resolve()
                if not beside.is_file() or root.resolve() not in beside.parents:
                    continue  # made by the build (moc), or Qt's and the system's
                header = beside.relative_to(root.resolve()).as_posix()
            problem = edge_problem(rel, header)
            if problem:
                faults.append(f"src/{rel}:{number}: includes {header} ({layer_of(rel)} -> "
                              f"{layer_of(header)}): {problem}")
            target = header.rsplit(".", 1)[0]
            if target != component:
                graph[component].add(target)
                where.setdefault((component, target), f"src/{rel}:{number}")
    for cycle in find_cycles(graph):
        steps = ", ".join(where[(a, b)] for a, b in zip(cycle, cycle[1:]))
        faults.append(f"{where[(cycle[0], cycle[1])]}: include cycle {' -> '.join(cycle)} ({steps})")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the layers", file=sys.stderr)
        return 1
    print(f"every #include of {len(files)} files follows the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
