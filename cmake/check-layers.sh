#!/bin/sh
# Fails when a source file includes a header of a layer above its own. The layers, bottom up:
# base, win, model, fileinfo, state, pages, app; a header at the top of src (the resource ids)
# sits below them all. usage: check-layers.sh <src folder>
set -eu
src=$1
rank() {
    case $1 in
        base) echo 0 ;; win) echo 1 ;; model) echo 2 ;; fileinfo) echo 3 ;;
        state) echo 4 ;; pages) echo 5 ;; app) echo 6 ;; *) echo "" ;;
    esac
}
status=0
for folder in "$src"/*/; do
    layer=$(basename "$folder")
    own=$(rank "$layer")
    if [ -z "$own" ]; then
        echo "src/$layer is no layer this check knows: give it its place here" >&2
        status=1
        continue
    fi
    # Every quoted include that names a folder, as "file:line:folder".
    hits=$(grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' "$folder" |
           sed -E 's/#[[:space:]]*include[[:space:]]+"([a-z_]+)\/$/\1/; s/:[[:space:]]*/:/g' || true)
    for hit in $hits; do
        target=${hit##*:}
        where=${hit%:*}
        theirs=$(rank "$target")
        if [ -z "$theirs" ] || [ "$theirs" -gt "$own" ]; then
            echo "${where#"$src"/} includes $target/, which is not below $layer" >&2
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "every include in $src runs down the layers"
exit $status
