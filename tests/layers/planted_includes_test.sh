#!/usr/bin/env bash
# scripts/check-layers on a small tree: clean, then with one wrong-way include at a time; each
# must fail the check and be named in its report.
set -euo pipefail
CHECK="$1"
TREE="$(mktemp -d)"
trap 'rm -rf "$TREE"' EXIT
mkdir -p "$TREE"/{core,app,engine,jobs,platform,read,write,components/foo/src}
echo '#include "core/globals.h"' > "$TREE/engine/Ok.cpp"
echo '#include "engine/Ok.h"' > "$TREE/app/Ok.cpp"
printf '#include "discengine/Engine.h"\n#include <QString>\n' > "$TREE/jobs/Ok.cpp"
printf '#include "app/Shell.h"\n#include "jobs/Ok.h"\n' > "$TREE/read/Ok.cpp"
echo '#include "Local.h"' > "$TREE/components/foo/src/Ok.cpp"
"$CHECK" --quiet "$TREE" || { echo "FAIL: the clean tree was refused"; exit 1; }

fails=0
plant() { # folder/file, the line, the text the report must hold
  local file="$TREE/$1"
  echo "$2" > "$file"
  local out
  if out="$("$CHECK" --quiet "$TREE" 2>&1)"; then
    echo "FAIL: $1 with $2 passed the check"; fails=$((fails + 1))
  elif ! grep -qF "$3" <<< "$out"; then
    echo "FAIL: $1 with $2 not named: $out"; fails=$((fails + 1))
  fi
  rm -f "$file"
}
plant engine/Bad.cpp '#include "app/Shell.h"' 'engine/Bad.cpp: "app/Shell.h"'
plant core/Bad.cpp '#include "engine/DriveLists.h"' 'core/Bad.cpp: "engine/DriveLists.h"'
plant core/Bad.h '#include <QWidget>' 'core/Bad.h: <QWidget>'
plant jobs/Bad.cpp '#include <QtWidgets/QLabel>' 'jobs/Bad.cpp: <QtWidgets/QLabel>'
plant platform/Bad.cpp '#include <QString>' 'platform/Bad.cpp: <QString>'
plant read/Bad.cpp '#include "write/TBurnCDPage.h"' 'read/Bad.cpp: "write/TBurnCDPage.h"'
plant components/foo/src/Bad.cpp '#include "core/globals.h"' 'components/foo/src/Bad.cpp'
plant jobs/Bad.cpp '#include "dialogs/TfrmBurnOptions.h"' 'jobs/Bad.cpp: "dialogs/'
[ "$fails" -eq 0 ] && echo "all planted includes refused"
exit "$fails"
