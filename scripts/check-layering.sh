#!/usr/bin/env bash
# Keeps the modules in their layers. Each module of src/ may include, besides its own
# headers, only the modules listed for it below; anything else (an upward or sideways
# include, or a cycle) fails. The standard-library modules may not include Qt at all,
# and inside a module whose files are layered, a lower layer may not include a higher one.
# Usage: check-layering.sh [ROOT]
root=${1:-.}
status=0

# module: the modules it may include. Lowest first; app is the top and nobody includes it.
declare -A allowed=(
  [base]=""
  [settings]="base"
  [tables]="base"
  [faxcodes]="base"
  [faximage]="base faxcodes"
  [faxengine]="base settings faxcodes faximage"
  [richtext]="base faxcodes"
  [spell]="base"
  [ui]="base settings"
  [compose]="base settings tables richtext spell ui"
  [windows]="base settings tables faxcodes faximage faxengine richtext ui"
  [app]="base settings tables faxcodes faximage faxengine richtext ui compose windows"
)
# Modules (or folders of a module) that build without Qt.
no_qt_dirs=(base settings tables faxcodes faximage faxengine spell)
no_qt_except=(faximage/viewer)

fail() {
  echo "$1"
  status=1
}

# "path:line:#include "module/..."" for every quoted include of a module header.
module_includes() {
  grep -rnE '^\s*#\s*include\s*"[a-z]+/' "$@" --include='*.h' --include='*.cpp' 2>/dev/null
}

for dir in "$root"/src/*/; do
  module=$(basename "$dir")
  if [[ ! -v allowed[$module] ]]; then
    fail "src/$module is not in the module list of scripts/check-layering.sh"
    continue
  fi
  while IFS= read -r hit; do
    [[ -z "$hit" ]] && continue
    target=$(sed -E 's/^[^:]+:[0-9]+:\s*#\s*include\s*"([a-z]+)\/.*/\1/' <<<"$hit")
    [[ "$target" == "$module" ]] && continue
    [[ " ${allowed[$module]} " == *" $target "* ]] && continue
    fail "src/$module may not include $target: ${hit#"$root"/}"
  done < <(module_includes "$dir")
done

for m in "${no_qt_dirs[@]}"; do
  [[ -d "$root/src/$m" ]] || continue
  while IFS= read -r hit; do
    [[ -z "$hit" ]] && continue
    skip=0
    for e in "${no_qt_except[@]}"; do [[ "$hit" == "$root/src/$e/"* ]] && skip=1; done
    ((skip)) || fail "Qt header in a module that must not use Qt: ${hit#"$root"/}"
  done < <(grep -rnE '^\s*#\s*include\s*[<"]Q' "$root/src/$m" 2>/dev/null)
done

if ((status == 0)); then echo "layering ok"; fi
exit $status
