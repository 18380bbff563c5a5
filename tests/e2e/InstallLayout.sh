#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs a build tree into a scratch DESTDIR under /usr, as the package build does, and checks
# the layout: each Debian package's component installs exactly its files (the simulator never
# lands in the window's package), and those files are what Debian expects of them.
#
# Usage: InstallLayout.sh BUILD_DIR VERSION
set -euo pipefail
build=${1:?usage: InstallLayout.sh BUILD_DIR VERSION}
version=${2:?usage: InstallLayout.sh BUILD_DIR VERSION}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

declare -A files=(
  [config]="usr/bin/orvane-config
usr/bin/orvanectl
usr/share/applications/orvane-config.desktop
usr/share/doc/orvane-config/changelog.gz
usr/share/doc/orvane-config/copyright
usr/share/icons/hicolor/scalable/apps/orvane-config.svg
usr/share/man/man1/orvane-config.1.gz
usr/share/man/man1/orvanectl.1.gz"
  [sim]="usr/bin/orvane-sim
usr/share/doc/orvane-sim/changelog.gz
usr/share/doc/orvane-sim/copyright
usr/share/man/man1/orvane-sim.1.gz"
  [ansible]="usr/share/ansible/collections/ansible_collections/orvane/receiver/README.md
usr/share/ansible/collections/ansible_collections/orvane/receiver/galaxy.yml
usr/share/ansible/collections/ansible_collections/orvane/receiver/meta/runtime.yml
usr/share/ansible/collections/ansible_collections/orvane/receiver/plugins/doc_fragments/connection.py
usr/share/ansible/collections/ansible_collections/orvane/receiver/plugins/module_utils/orvanectl.py
usr/share/ansible/collections/ansible_collections/orvane/receiver/plugins/modules/info.py
usr/share/ansible/collections/ansible_collections/orvane/receiver/plugins/modules/settings.py
usr/share/doc/orvane-ansible/changelog.gz
usr/share/doc/orvane-ansible/copyright"
)

installed() {  # the files under a DESTDIR, one a line, sorted
  (cd "$1" && find . -type f -o -type l) | sed 's|^\./||' | LC_ALL=C sort
}

install_into() {  # DESTDIR [COMPONENT]
  local args=(--install "$build" --prefix /usr)
  [ $# -gt 1 ] && args+=(--component "$2")
  DESTDIR="$1" cmake "${args[@]}" >/dev/null
}

# 1. Each component on its own, then everything together.
for component in config sim ansible; do
  install_into "$scratch/$component" "$component"
  expected=$(LC_ALL=C sort <<<"${files[$component]}")
  diff -u <(echo "$expected") <(installed "$scratch/$component") ||
    fail "component $component installs other files than its package's"
done
install_into "$scratch/all"
diff -u <(printf '%s\n%s\n%s\n' "${files[config]}" "${files[sim]}" "${files[ansible]}" |
  LC_ALL=C sort) <(installed "$scratch/all") ||
  fail "a full install differs from the three packages together"
root=$scratch/all

# 2. Programs.
for program in orvane-config orvane-sim orvanectl; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done

# 3. Compressed files: valid, and with neither name nor time stamp in the gzip header (gzip -n),
#    so that two builds of one version give the same package.
gzip_is_reproducible() {
  local header
  header=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
  # bytes: 1f 8b, method 08, flags (bit 3 = a file name follows), four bytes of time stamp
  [ "${header:0:6}" = 1f8b08 ] && (((0x${header:6:2} & 0x08) == 0)) && [ "${header:8:8}" = 00000000 ]
}
for gz in "$root"/usr/share/man/man1/*.gz "$root"/usr/share/doc/*/changelog.gz; do
  gzip -t "$gz" || fail "${gz#"$root"/} is not valid gzip"
  gzip_is_reproducible "$gz" || fail "${gz#"$root"/} has a name or time stamp in its header"
done

# 4. Man pages: one per program, titled after it, in section 1, whole down to SEE ALSO.
for program in orvane-config orvane-sim orvanectl; do
  zcat "$root/usr/share/man/man1/$program.1.gz" | grep -Eq "^\.TH \"?$program\"? \"?1\"?" ||
    fail "$program.1 is not the section 1 page of $program"
  zcat "$root/usr/share/man/man1/$program.1.gz" | grep -q '^\.SH SEE ALSO' ||
    fail "$program.1 stops short of SEE ALSO"
done

# 5. Copyright (machine-readable, pointing to the system's copy of the licence) and changelog
#    (Debian format, newest entry this version), for each package.
for package in orvane-config orvane-sim orvane-ansible; do
  doc=$root/usr/share/doc/$package
  head -n1 "$doc/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "$package's copyright is not in the machine-readable format"
  grep -qx 'License: Apache-2.0' "$doc/copyright" || fail "$package's copyright names no licence"
  grep -q '/usr/share/common-licenses/Apache-2.0' "$doc/copyright" ||
    fail "$package's copyright does not point to /usr/share/common-licenses/Apache-2.0"
  [ "$(wc -c <"$doc/copyright")" -lt 4096 ] || fail "$package's copyright holds a licence copy"
  changelog=$(zcat "$doc/changelog.gz")
  head -n1 <<<"$changelog" | grep -Eq "^orvane-config \\(${version//./\\.}\\) [a-z]+; urgency=" ||
    fail "$package's changelog does not start with an entry for $version"
  grep -Eq '^ -- .+ <[^>]+@[^>]+>  [A-Z][a-z]{2}, [0-9]{2} [A-Z][a-z]{2} [0-9]{4} [0-9:]{8} [+-][0-9]{4}$' \
    <<<"$changelog" || fail "$package's changelog has no well-formed sign-off line"
done

# 6. The desktop entry: valid without hints, starting the installed program with the installed icon.
entry=$root/usr/share/applications/orvane-config.desktop
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$entry" 2>&1) || true
  [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  fail "desktop-file-validate is missing (Debian package desktop-file-utils)"
fi
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
icon_name=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$root/usr/bin/$exec_name" ] || fail "the desktop entry starts '$exec_name', not installed"
[ -e "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
  fail "the desktop entry's icon '$icon_name' is not installed"

[ "$status" = 0 ] && echo "install layout: as packaged"
exit "$status"
