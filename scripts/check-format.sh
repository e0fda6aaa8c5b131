#!/usr/bin/env bash
# Fails when a C++ source is not as clang-format (with the repository's .clang-format)
# would write it, and lists those files; `make format` rewrites them.
# With file arguments only those files are checked.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
files=()
for f in "$@"; do
  case $f in
    /*) files+=("$f") ;;
    *) files+=("$PWD/$f") ;;
  esac
done
cd "$root"
if ! command -v clang-format >/dev/null 2>&1; then
  echo "check-format: clang-format is not installed (make deps installs it)" >&2
  exit 1
fi

if [ $# -eq 0 ]; then
  dirs=()
  for d in src tests bench fuzz tools; do
    if [ -d "$d" ]; then dirs+=("$d"); fi
  done
  if [ ${#dirs[@]} -gt 0 ]; then
    while IFS= read -r -d '' f; do
      files+=("$f")
    done < <(find "${dirs[@]}" \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
  fi
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "check-format: no C++ sources found" >&2
  exit 1
fi

# The style file is named explicitly, so a file outside the tree is held to the same rules.
unformatted=()
for f in "${files[@]}"; do
  if ! out=$(clang-format --style="file:$root/.clang-format" --dry-run --Werror "$f" 2>&1); then
    if grep -q -- '-Wclang-format-violations' <<<"$out"; then
      unformatted+=("$f")
    else
      # clang-format itself failed (missing file, bad style): that is no format verdict.
      echo "check-format: clang-format failed on $f:" >&2
      echo "$out" >&2
      exit 1
    fi
  fi
done

if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check-format: ${#unformatted[@]} file(s) are not clang-formatted (run 'make format'):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files are clang-formatted"
