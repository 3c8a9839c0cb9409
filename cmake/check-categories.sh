#!/bin/sh
# Fails when the categories are listed anywhere but in the category table: its rows are the one
# list, and what other tools need of it is made from it at build time (category-sources.sh).
# usage: check-categories.sh <source folder of the project>
set -eu
root=$1
table=src/pages/category_table.cpp
cd "$root"
status=0
fail() {
    echo "$1" >&2
    status=1
}
files=$(find src cmake -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' -o -name '*.sh' \) | sort)

# Rows are written only in the table.
for file in $files; do
    [ "$file" = "$table" ] && continue
    grep -q '^[[:space:]]*\.tabIcon = "' "$file" && fail "$file writes a category row: rows belong in $table"
done

# No other file spells more than two of the table's captions, or names more than three tabs.
captions=$(mktemp)
trap 'rm -f "$captions"' EXIT
sed -n 's/^[[:space:]]*\.caption = L\(".*"\),$/\1/p' "$table" >"$captions"
for file in $files; do
    [ "$file" = "$table" ] && continue
    count=$(grep -oF -f "$captions" "$file" | sort -u | wc -l)
    [ $count -gt 2 ] && fail "$file lists $count category captions: the table is the one list"
    tabs=$(grep -oE '\bk[A-Z][A-Za-z0-9]*Tab\b' "$file" | sort -u | wc -l)
    [ "$tabs" -gt 3 ] && fail "$file names $tabs tabs one by one: derive them from the table"
done

# Ids, resource lines and drawings of the tabs are made from the table.
own_ids=$(grep -E '^#define (IDI_TAB_|WM_TARN_SCAN_)' src/resource_ids.h | grep -vE '_FIRST ' || true)
[ -z "$own_ids" ] || fail "src/resource_ids.h gives categories ids of their own: $own_ids"
grep -qE 'tab_[a-z0-9]+\.ico' src/tarnwell.rc && fail "src/tarnwell.rc lists tab icons: they are made from the table"
grep -qE '^[[:space:]]*icon tab_' cmake/draw-resources.sh && fail "cmake/draw-resources.sh lists tab icons"
for file in $files; do
    case $file in src/*) ;; *) continue ;; esac
    grep -qE 'enum CategoryTab|kCategoryCount *=' "$file" && fail "$file defines the tabs: they are made from the table"
done
[ $status -eq 0 ] && echo "the category table is the one list of categories"
exit $status
