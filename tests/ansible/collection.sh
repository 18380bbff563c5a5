#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The collection as Ansible's own tools see it: ansible-doc renders every module's documentation,
# ansible-galaxy builds it from the source tree, and ansible-test's sanity tests pass.
#
# ansible-test runs seven of its sanity tests (ansible-doc, import, pep8, pylint,
# runtime-metadata, validate-modules, yamllint) in virtual environments that it fills from PyPI
# with pinned versions of their tools; with no network those cannot be set up, so they are
# skipped here and the others run (compile, the boilerplate and code-smell tests, shebang,
# use-argspec-type-path, ...). ansible-doc is run directly instead.
#
# Usage: collection.sh SOURCE_ANSIBLE_DIR  (the folder holding ansible_collections/)
set -euo pipefail
source_dir=${1:?usage: collection.sh SOURCE_ANSIBLE_DIR}
# Debian's Python, which ansible-core is installed for, ahead of any other on PATH.
export PATH=/usr/bin:$PATH
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

# A copy, so that the tools' output (tests/output, the built archive) stays out of the tree.
mkdir -p "$scratch/ansible_collections/orvane"
cp -r "$source_dir/ansible_collections/orvane/receiver" "$scratch/ansible_collections/orvane/"
find "$scratch" -name __pycache__ -prune -exec rm -rf {} +
collection=$scratch/ansible_collections/orvane/receiver
export ANSIBLE_COLLECTIONS_PATH=$scratch ANSIBLE_COLLECTIONS_PATHS=$scratch
export ANSIBLE_HOME=$scratch/home ANSIBLE_LOCAL_TEMP=$scratch/tmp ANSIBLE_NOCOLOR=1

for module in settings info; do
  out=$(ansible-doc "orvane.receiver.$module" 2>&1) || fail "ansible-doc $module: $out"
  grep -q "^> ORVANE.RECEIVER.${module^^}" <<<"$out" || fail "ansible-doc $module: $out"
  grep -qi 'warning' <<<"$out" && fail "ansible-doc $module warns: $(grep -i warning <<<"$out")"
done

(cd "$collection" && ansible-galaxy collection build --output-path "$scratch/built" >/dev/null) ||
  fail "ansible-galaxy collection build"
version=$(sed -n 's/^version: *//p' "$collection/galaxy.yml")
archive=$scratch/built/orvane-receiver-$version.tar.gz
[ -f "$archive" ] || fail "no $archive"
contents=$(tar -tzf "$archive" 2>/dev/null || true)
for file in plugins/modules/settings.py plugins/modules/info.py \
  plugins/module_utils/orvanectl.py meta/runtime.yml MANIFEST.json; do
  grep -qx "$file" <<<"$contents" || fail "the built collection lacks $file"
done

python=$(python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')
skipped=(ansible-doc import pep8 pylint runtime-metadata validate-modules yamllint)
(cd "$collection" && ansible-test sanity --local --python "$python" \
  "${skipped[@]/#/--skip-test=}") || fail "ansible-test sanity"

[ "$status" = 0 ] && echo "collection: documented, builds, sanity clean (${#skipped[@]} tests need PyPI)"
exit "$status"
