#!/bin/sh
# Derives from the category table what other tools need as literal lists: the tab enumeration and
# count for the code, the tab icons' resource lines for the resource compiler, and the icons'
# drawing sources for draw-resources.sh. The table is the only list of categories.
# usage: category-sources.sh <category_table.cpp> <resource_ids.h> <output folder>
set -eu
table=$1
ids=$2
out=$3
mkdir -p "$out"
first=$(sed -n 's/^#define IDI_TAB_FIRST \([0-9][0-9]*\)$/\1/p' "$ids")
[ -n "$first" ] || { echo "$ids defines no IDI_TAB_FIRST" >&2; exit 1; }

# Each row names itself and its icon on lines of their own: `.name = "Logon",` `.tabIcon = "apps/x",`.
rows=$(sed -n -e 's/^[[:space:]]*\.name = "\([A-Za-z0-9]*\)",$/name \1/p' \
              -e 's/^[[:space:]]*\.tabIcon = "\([A-Za-z0-9/_-]*\)",$/icon \1/p' "$table")
names=$(printf '%s\n' "$rows" | sed -n 's/^name //p')
icons=$(printf '%s\n' "$rows" | sed -n 's/^icon //p')
count=$(printf '%s\n' "$names" | grep -c . || true)
[ "$count" -gt 0 ] || { echo "$table: no rows found" >&2; exit 1; }
if [ "$count" -ne "$(printf '%s\n' "$icons" | grep -c .)" ] ||
   printf '%s\n' "$rows" | awk 'NR % 2 == 1 && $1 != "name" || NR % 2 == 0 && $1 != "icon" { bad = 1 } END { exit !bad }'; then
    echo "$table: every row names itself (.name) and then its tab icon (.tabIcon), each on a line of its own" >&2
    exit 1
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
{
    echo "// Made from the category table by cmake/category-sources.sh: edit the table, not this."
    echo "#pragma once"
    echo "#include <cstddef>"
    echo "namespace tarn {"
    echo "constexpr std::size_t kCategoryCount = $count;"
    echo "enum CategoryTab : std::size_t {"
    printf '%s\n' "$names" | sed 's/^\(.*\)$/    k\1Tab,/'
    echo "};"
    echo "}  // namespace tarn"
} >"$tmp/category_tabs.h"
{
    echo "// Made from the category table by cmake/category-sources.sh."
    printf '%s\n' "$names" | awk -v first="$first" '{ printf "%d ICON \"tab_%s.ico\"\n", first + NR - 1, tolower($0) }'
} >"$tmp/tab_icons.rc"
printf '%s\n' "$names" | tr 'A-Z' 'a-z' | paste -d ' ' - "$(printf '%s\n' "$icons" >"$tmp/icons"; echo "$tmp/icons")" |
    sed 's/^/tab_/' >"$tmp/tab_icons.txt"
# Rewritten only when changed, so that an unchanged table rebuilds nothing.
for file in category_tabs.h tab_icons.rc tab_icons.txt; do
    cmp -s "$tmp/$file" "$out/$file" || cp "$tmp/$file" "$out/$file"
done
