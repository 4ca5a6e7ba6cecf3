#!/usr/bin/env python3
"""Checks that the #include "..." lines of the tracked sources keep the layering:

  module -> page -> controls -> imaging -> util,  page -> picture -> imaging

include/ holds the published headers, the bottom layer: anyone may include them, and they
include nothing of the project but each other. A product folder includes itself, the folders
below it and include/ (resources/ holds the ids that controls and page read), never testing/,
tests/, tools/, bench/ or fuzz/. The tests of a
folder (FOLDER/tests/) include that folder, the folders below it, their own tests folder and
testing/; the tests of the whole module (tests/) may include any product folder. testing/
includes product headers but no tests. tools/, bench/ and fuzz/ never include a tests folder.
C sources (the sample host, the test hosts) are built from the release kit, as a host builds
them: they name the published headers as the kit's include/ holds them, and nothing else.

Inside a folder the files keep an order too: no include circle, where a file's header is
included by a file whose header it includes, directly or through others. A header and its
sources (foo.h, foo.cpp, foo_win.cpp) count as one. The folders in FOLDERS_WITH_CIRCLES still
have circles and are not checked; one that has lost them must leave the set.

  tools/check_layout.py [--root DIR]

Prints every wrong include as FILE:LINE and every circle as FOLDER: A -> B -> A, and exits 1
when there is one.
"""
import argparse
import os
import re
import subprocess
import sys

BELOW = {
    'util': set(),
    'imaging': {'util'},
    'picture': {'imaging', 'util'},
    'controls': {'imaging', 'util', 'resources'},
    'page': {'controls', 'picture', 'imaging', 'util', 'resources'},
    'module': {'page', 'controls', 'picture', 'imaging', 'util', 'resources'},
    'resources': set(),
}
PRODUCT = set(BELOW)
# Folders whose files still include each other in a circle: to be emptied, not added to.
FOLDERS_WITH_CIRCLES = {'imaging'}
TOOLS = {'tools', 'bench', 'fuzz'}
SOURCE = re.compile(r'\.(c|cc|cpp|h|hpp|inl|rc)$')
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def tracked_sources(root):
    try:
        names = subprocess.run(['git', '-C', root, 'ls-files'], check=True, capture_output=True,
                               text=True).stdout.splitlines()
    except (OSError, subprocess.CalledProcessError):
        names = []
        for folder, dirs, files in os.walk(root):
            dirs[:] = [d for d in dirs if d not in ('.git', 'build', 'out')]
            names += [os.path.relpath(os.path.join(folder, f), root) for f in files]
    return sorted(n.replace(os.sep, '/') for n in names if SOURCE.search(n))


def place(path):
    """(kind, folder): kind is public, product, tests, testing, tools or other."""
    parts = path.split('/')
    top = parts[0]
    if top == 'include':
        return 'public', top
    if top in PRODUCT:
        return ('tests', top) if len(parts) > 2 and parts[1] == 'tests' else ('product', top)
    if top == 'tests':
        return 'tests', 'module'
    if top == 'testing':
        return 'testing', top
    if top in TOOLS:
        return 'tools', top
    return 'other', top


def is_tests_folder(path):
    parts = path.split('/')
    return parts[0] == 'tests' or 'tests' in parts[1:-1]


def resolve(root, including, name):
    """The included file relative to the root, as a compiler looking beside the file first and
    then at the root would find it; None when neither has it."""
    bases = (os.path.dirname(including), '') + (('include',) if including.endswith('.c') else ())
    for base in bases:
        candidate = os.path.normpath(os.path.join(base, name)).replace(os.sep, '/')
        if not candidate.startswith('../') and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def wrong(source, target):
    """Why `source` may not include `target`, or None."""
    kind, folder = place(source)
    target_kind, target_folder = place(target)
    if source.endswith('.c'):
        return None if target_kind == 'public' else f'a C source is built from the kit and may not include {target}'
    if kind == 'public':
        return None if target_kind == 'public' else f'include/ is published and may not include {target}'
    if target_kind == 'public':
        return None
    if kind == 'product':
        if target_kind == 'product' and (target_folder == folder or target_folder in BELOW[folder]):
            return None
        if target_kind == 'product':
            return f'{folder}/ may not use {target_folder}/ (it is not below it)'
        return f'product code may not include {target}'
    if kind == 'tests':
        if target_kind == 'testing':
            return None
        if target_kind == 'product' and (target_folder == folder or target_folder in BELOW[folder]):
            return None
        if target_kind == 'tests' and target_folder == folder:
            return None
        tests = 'tests/' if folder == 'module' else f'{folder}/tests/'
        return f'{tests} may include {folder}/, the folders below it and testing/, not {target}'
    if kind == 'testing':
        if target_kind in ('product', 'testing'):
            return None
        return f'testing/ may include product headers, not {target}'
    if kind == 'tools':
        if is_tests_folder(target) and not target.startswith(os.path.dirname(source) + '/'):
            return f'{folder}/ may not include a tests folder ({target}); testing/ has what tests share'
        return None
    return None


def unit(path):
    """The header and the sources of one name in one folder: foo.h, foo.cpp, foo_win.cpp."""
    stem = os.path.splitext(path)[0]
    return stem[:-len('_win')] if stem.endswith('_win') else stem


def circles(edges):
    """One circle of units per strongly connected group of `edges` (unit -> set of units)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for other in sorted(edges.get(node, ())):
            if other not in index:
                visit(other)
                low[node] = min(low[node], low[other])
            elif other in on_stack:
                low[node] = min(low[node], index[other])
        if low[node] == index[node]:
            group = set()
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.add(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(circle_in(edges, group, node))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def circle_in(edges, group, start):
    """A shortest way from `start` back to itself inside `group`."""
    paths = {start: [start]}
    queue = [start]
    while queue:
        node = queue.pop(0)
        for other in sorted(edges.get(node, ())):
            if other == start:
                return paths[node] + [start]
            if other in group and other not in paths:
                paths[other] = paths[node] + [other]
                queue.append(other)
    return [start]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--root', default=os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
    root = os.path.abspath(parser.parse_args().root)
    violations = 0
    files = tracked_sources(root)
    inside = {}  # folder -> unit -> units of the same folder it includes
    for source in files:
        with open(os.path.join(root, source), encoding='utf-8', errors='replace') as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, source, match.group(1))
                why = f'no such file: "{match.group(1)}"' if target is None else wrong(source, target)
                if why:
                    print(f'{source}:{number}: {why}')
                    violations += 1
                folder = os.path.dirname(source)
                if target is not None and os.path.dirname(target) == folder and unit(target) != unit(source):
                    inside.setdefault(folder, {}).setdefault(unit(source), set()).add(unit(target))
    for folder in sorted(set(inside) | FOLDERS_WITH_CIRCLES):
        found = circles(inside.get(folder, {}))
        if folder in FOLDERS_WITH_CIRCLES:
            if not found:
                print(f'{folder}/ has no include circle any more: take it out of FOLDERS_WITH_CIRCLES')
                violations += 1
            continue
        for circle in found:
            print(f'{folder}/: include circle ' + ' -> '.join(os.path.basename(u) for u in circle))
            violations += 1
    if violations:
        print(f'{violations} wrong include(s) in {len(files)} files')
        return 1
    print(f'{len(files)} files keep the layering')
    return 0


if __name__ == '__main__':
    sys.exit(main())
