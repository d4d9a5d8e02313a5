#!/usr/bin/env python3
"""Checks a package's Depends against the libraries its program loads.

Usage: depends_cover.py DEPENDS BINARY [DLOPENED_SONAME...]

Every library the binary needs directly (its NEEDED entries) must come from a package that
Depends names; every other library ldd resolves, and each soname the program opens itself at
run time, must come from a package that Depends pulls in, directly or through the dependencies
of the installed packages. Prints what is missing and exits 1 when anything is.
"""
import os
import re
import subprocess
import sys


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def alternatives(field):
    """A Depends field as a list of groups of package names (one group per "a | b")."""
    groups = []
    for group in filter(None, (g.strip() for g in field.split(","))):
        groups.append([re.sub(r"[\s(:\[].*", "", alt.strip()) for alt in group.split("|")])
    return groups


def installed_relations():
    """Installed package -> (Depends + Pre-Depends groups), and virtual name -> providers."""
    depends, provides = {}, {}
    out = run("dpkg-query", "-W", "-f=${Package}\t${db:Status-Abbrev}\t${Pre-Depends}, ${Depends}\t${Provides}\n")
    for line in out.splitlines():
        name, status, deps, prov = (line.split("\t") + ["", "", ""])[:4]
        if not status.startswith("ii"):
            continue
        depends[name] = alternatives(deps)
        for p in alternatives(prov):
            provides.setdefault(p[0], set()).add(name)
    return depends, provides


def closure(groups, depends, provides):
    """Every installed package reached from the Depends groups."""
    seen, todo = set(), [alt for g in groups for alt in g]
    while todo:
        name = todo.pop()
        for real in {name} | provides.get(name, set()):
            if real in depends and real not in seen:
                seen.add(real)
                todo.extend(alt for g in depends[real] for alt in g)
    return seen


def owners(paths):
    """Library file -> the installed package holding it, looked up in one query. A file is known
    to dpkg by the path its package shipped: with or without the /usr prefix, link or target."""
    candidates = {}
    for path in paths:
        for form in {path, os.path.realpath(path)}:
            for alias in (form, form.replace("/usr/lib/", "/lib/", 1), form.replace("/lib/", "/usr/lib/", 1)):
                candidates.setdefault(alias, path)
    found = subprocess.run(["dpkg", "-S", *candidates], capture_output=True, text=True).stdout
    result = {}
    for line in found.splitlines():
        package, _, file = line.partition(": ")
        if file in candidates:
            result.setdefault(candidates[file], package.split(":")[0].split(",")[0])
    return result


def main():
    field, binary, dlopened = sys.argv[1], sys.argv[2], sys.argv[3:]
    groups = alternatives(field)
    direct = {alt for g in groups for alt in g}
    depends, provides = installed_relations()
    reached = closure(groups, depends, provides)

    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]", run("readelf", "-d", binary))
    ldd = run("ldd", binary)
    resolved = dict(re.findall(r"^\s*(\S+) => (/\S+)", ldd, re.M))
    # The dynamic loader is listed by its path alone.
    resolved.update((path.rsplit("/", 1)[1], path) for path in re.findall(r"^\s*(/\S+) \(0x", ldd, re.M))
    cache = dict(re.findall(r"^\s*(\S+) \(.*\) => (/\S+)$", run("ldconfig", "-p"), re.M))
    paths = {soname: resolved.get(soname) or cache.get(soname) for soname in set(resolved) | set(dlopened)}
    owner = owners(p for p in paths.values() if p)
    missing = []
    for soname, path in sorted(paths.items()):
        package = owner.get(path)
        if package is None:
            missing.append(f"{soname}: no installed package holds it")
        elif soname in needed and package not in direct:
            missing.append(f"{soname} ({package}): needed by the binary but not named in Depends")
        elif package not in reached:
            missing.append(f"{soname} ({package}): not pulled in by Depends")
    for soname in needed:
        if soname not in resolved:
            missing.append(f"{soname}: needed but not found by ldd")
    for m in missing:
        print(m)
    print(f"{len(resolved)} libraries from ldd, {len(needed)} needed directly, {len(dlopened)} opened at run time: "
          + ("all covered by Depends" if not missing else f"{len(missing)} not covered"))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
