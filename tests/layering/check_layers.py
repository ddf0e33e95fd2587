#!/usr/bin/env python3
"""Fails when a file under src/ includes a module it must not see.

Modules sit in tiers: app above files, cd, radio, recording and remote, which sit above engine,
net, platform and util. A file may include its own tier or a lower one; the engine includes no
other module, and outside the engine only its public headers may be included.
"""
import os
import re
import sys

TIERS = {
    'app': 2,
    'files': 1, 'cd': 1, 'radio': 1, 'recording': 1, 'remote': 1,
    'engine': 0, 'net': 0, 'platform': 0, 'util': 0,
}
ENGINE_PUBLIC = {'engine/engine.h', 'engine/plugin_api.h'}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_ENDINGS = ('.h', '.hpp', '.c', '.cpp')


def violation(module, included):
    """Why a file of module may not include the header included, or None when it may."""
    target = included.split('/', 1)[0]
    if target not in TIERS or target == module:
        return None
    if module == 'engine':
        return 'the engine includes no other module'
    if target == 'engine' and included not in ENGINE_PUBLIC:
        return 'only ' + ' and '.join(sorted(ENGINE_PUBLIC)) + ' are the engine\'s public headers'
    if TIERS[target] > TIERS.get(module, 0):
        return module + ' sits below ' + target
    return None


def source_files(src):
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.join(folder, name)


def violations(src):
    for path in source_files(src):
        rel = os.path.relpath(path, src)
        module = rel.split(os.sep, 1)[0]
        with open(path, encoding='utf-8', errors='replace') as f:
            text = f.read()
        for match in INCLUDE.finditer(text):
            reason = violation(module, match.group(1))
            if reason:
                line = text.count('\n', 0, match.start()) + 1
                yield f'src/{rel}:{line}: includes "{match.group(1)}": {reason}'


def main(argv):
    if len(argv) != 2:
        print('usage: check_layers.py <source root>', file=sys.stderr)
        return 2
    found = list(violations(os.path.join(argv[1], 'src')))
    for message in found:
        print(message)
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
