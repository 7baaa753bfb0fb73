#!/usr/bin/env bash
# Formats every C++ file of the tree with .clang-format.
#   scripts/format.sh           rewrites the files in place
#   scripts/format.sh --check   changes nothing; lists the files that are not formatted and fails
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
  echo "format: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
files=$(git ls-files '*.cpp' '*.h')
if [ "${1:-}" != "--check" ]; then
  printf '%s\n' "$files" | xargs "$format" -i
  exit 0
fi
unformatted=$(printf '%s\n' "$files" | xargs "$format" --dry-run 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning: .*/\1/p' | sort -u)
if [ -n "$unformatted" ]; then
  printf '%s\n' "$unformatted"
  echo "format: $(printf '%s\n' "$unformatted" | wc -l) files are not formatted; scripts/format.sh formats them" >&2
  exit 1
fi
echo "== format: $(printf '%s\n' "$files" | wc -l) files formatted"
