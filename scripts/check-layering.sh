#!/usr/bin/env bash
# Keeps the modules in their layers. Each module of src/ may include, besides its own
# headers, only the modules listed for it below; anything else (an upward or sideways
# include, or a cycle) fails. Inside a module whose files are layered, a file may include
# its own layer and lower ones only. The standard-library modules and layers may not
# include Qt at all. The command-line tools may use app's store and assembly only.
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
  [ui]="base settings tables"
  [compose]="base settings tables faximage richtext spell ui"
  [windows]="base settings tables faxcodes faximage faxengine richtext ui"
  [app]="base settings tables faxcodes faximage faxengine richtext spell ui compose windows"
)

# Layers inside a module, lowest first, separated by "|". A layer is a list of folders of
# the module (ending in "/", "./" for the files at its top) or of file names without
# their extension.
declare -A layers=(
  [tables]="errors | blockfile | fieldcodec dbffile fptfile cdxfile keyindex | expr
            | table table_impl table_nav table_edit tagcheck salvage | binding"
  [richtext]="codec/ | document/ | ./"
  [app]="store/ | assembly/ | preferences/ | mainwindow/ ./"
)

# Folders that build without Qt: whole modules, and layers of the others.
no_qt_dirs=(base settings tables faxcodes faximage faxengine spell richtext/codec app/store)
no_qt_except=(faximage/viewer)

# Modules of src/ that tools/ may include, and the parts of app among them.
tools_allowed="base settings tables faxcodes faximage faxengine richtext spell"
tools_app_parts="store assembly"

fail() {
  echo "$1"
  status=1
}

# "path:line:#include "module/..."" for every quoted include of a module header.
module_includes() {
  grep -rnE '^\s*#\s*include\s*"[a-z]+/' "$@" --include='*.h' --include='*.cpp' 2>/dev/null
}

included_path() { sed -E 's/^[^:]+:[0-9]+:\s*#\s*include\s*"([^"]+)".*/\1/' <<<"$1"; }

# The layer number of a path inside a module (relative to src/<module>/), or -1.
layer_of() {
  local layer_list=$1 rel=$2 n=0 layer word
  local dir="./"
  [[ "$rel" == */* ]] && dir="${rel%/*}/"
  local stem
  stem=$(basename "$rel")
  stem=${stem%.*}
  IFS='|' read -ra parts <<<"${layer_list//$'\n'/ }"
  for layer in "${parts[@]}"; do
    for word in $layer; do
      if [[ "$word" == */ ]]; then
        [[ "$dir" == "$word"* ]] && { echo $n; return; }
      elif [[ "$dir" == "./" && "$stem" == "$word" ]]; then
        echo $n
        return
      fi
    done
    n=$((n + 1))
  done
  echo -1
}

for dir in "$root"/src/*/; do
  module=$(basename "$dir")
  if [[ ! -v allowed[$module] ]]; then
    fail "src/$module is not in the module list of scripts/check-layering.sh"
    continue
  fi
  while IFS= read -r hit; do
    [[ -z "$hit" ]] && continue
    path=$(included_path "$hit")
    target=${path%%/*}
    file=${hit%%:*}
    if [[ "$target" != "$module" ]]; then
      [[ " ${allowed[$module]} " == *" $target "* ]] ||
        fail "src/$module may not include $target: ${hit#"$root"/}"
      continue
    fi
    [[ -v layers[$module] ]] || continue
    from=$(layer_of "${layers[$module]}" "${file#"$dir"}")
    to=$(layer_of "${layers[$module]}" "${path#"$module"/}")
    if ((from < 0)); then
      fail "${file#"$root"/} is in no layer of $module in scripts/check-layering.sh"
    elif ((to > from)); then
      fail "a lower layer of $module includes a higher one: ${hit#"$root"/}"
    fi
  done < <(module_includes "$dir")
done

while IFS= read -r hit; do
  [[ -z "$hit" ]] && continue
  path=$(included_path "$hit")
  target=${path%%/*}
  if [[ "$target" == app ]]; then
    part=${path#app/}
    part=${part%%/*}
    [[ " $tools_app_parts " == *" $part "* ]] || fail "tools may not include $path: ${hit#"$root"/}"
  elif [[ " $tools_allowed " != *" $target "* ]]; then
    fail "tools may not include $target: ${hit#"$root"/}"
  fi
done < <(module_includes "$root/tools")

for d in "${no_qt_dirs[@]}"; do
  [[ -d "$root/src/$d" ]] || continue
  while IFS= read -r hit; do
    [[ -z "$hit" ]] && continue
    skip=0
    for e in "${no_qt_except[@]}"; do [[ "$hit" == "$root/src/$e/"* ]] && skip=1; done
    ((skip)) || fail "Qt header in a part that must not use Qt: ${hit#"$root"/}"
  done < <(grep -rnE '^\s*#\s*include\s*[<"]Q' "$root/src/$d" 2>/dev/null)
done

if ((status == 0)); then echo "layering ok"; fi
exit $status
