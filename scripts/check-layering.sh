#!/usr/bin/env bash
# The lower modules build without Qt so that command-line tools and tests
# reuse them without a display; fail when one of them includes a Qt header.
# The viewer control is the one Qt part of faximage and lives in its own folder.
root=${1:-.}
bad=$(grep -rnE '^\s*#\s*include\s*[<"]Q' \
        "$root/src/tables" "$root/src/faxcodes" "$root/src/faxengine" "$root/src/faximage" 2>/dev/null \
      | grep -v '/src/faximage/viewer/')
if [ -n "$bad" ]; then
  echo "Qt headers in a module that must not use Qt:"
  echo "$bad"
  exit 1
fi
echo "layering ok"
