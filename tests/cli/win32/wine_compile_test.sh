#!/usr/bin/env bash
# The authors' commands of the Windows console program under Wine against the Linux build's:
# compile of a small table of broken texts gives the same diagnostics (file names aside: "\"
# for "/") and the same exit statuses, in text and in JSON; a good compile writes the same
# bytes; a missing text and a usage error end alike; inspect, plot and decompile give the same
# output, and decompile the same texts.
# Usage: wine_compile_test.sh WINDOWS-BUILD NATIVE-BUILD SOURCE-DIR
set -u
# shellcheck source=tests/driver/win32/wine_lib.sh
source "$(dirname "$0")/../../driver/win32/wine_lib.sh"
wine_start
unset DISPLAY
linux_exe="$NATIVE_BUILD/scenario-compactor"
windows_exe="$WIN_BUILD/scenario-compactor-cli.exe"
[ -f "$windows_exe" ] || fail "no $windows_exe"
line=Torvel_Dolvera_linea.txt
train=Torvel_Dolvera_565-.txt

# edit FILE FROM TO: replaces the first FROM (taken literally, \r\n for a line end) with TO.
edit() {
  FROM=$2 TO=$3 perl -0pi -e '
    my ($f, $t) = ($ENV{FROM}, $ENV{TO}); s/\\r\\n/\r\n/g for $f, $t;
    my $at = index($_, $f); die "not found: $f\n" if $at < 0; substr($_, $at, length $f) = $t;' "$1"
}

# Both programs in folders of their own, on the same texts, given by relative names; the
# outputs with Windows' separator after the output folder turned into "/" (also as JSON
# escapes it).
compare() {
  local name=$1
  shift
  local status_l status_w
  (cd "$X11_TMP/l" && "$linux_exe" "$@" >"$X11_TMP/l.out" 2>"$X11_TMP/l.err")
  status_l=$?
  (cd "$X11_TMP/w" && wine_run 60 "$windows_exe" "$@" >"$X11_TMP/w.out" 2>"$X11_TMP/w.err")
  status_w=$?
  for s in out err; do
    # The only folders in a name are the output folders "out" and "edit".
    sed -e 's/\(out\|edit\)\\\\/\1\//g' -e 's/\(out\|edit\)\\/\1\//g' "$X11_TMP/w.$s" >"$X11_TMP/w.$s.norm"
    diff "$X11_TMP/l.$s" "$X11_TMP/w.$s.norm" >"$X11_TMP/diff" ||
      fail "$name ($*): standard ${s/err/error} differs from Linux:"$'\n'"$(cat "$X11_TMP/diff")"
  done
  [ "$status_l" = "$status_w" ] || fail "$name ($*): exit status $status_w, on Linux $status_l"
  echo "$name: $* -> $status_w, same output"
}

fresh_texts() {
  rm -rf "$X11_TMP/l" "$X11_TMP/w"
  mkdir "$X11_TMP/l" "$X11_TMP/w"
  "$linux_exe" export "$X11_TMP/l" >/dev/null || fail "export failed"
}

# name | text | from | to   (the built-in texts, one field changed)
cases=(
  "route too long|$line|lunghezza percorso,    358000|lunghezza percorso,    1000001"
  "repetition start|$line|ripetizione segnali 4 codici,    0,|ripetizione segnali 4 codici,    25,"
  "curve digit|$line|curvad1,  1000,  600|curvad7,  1000,  600"
  "station position|$train|stazione,  111050,|stazione,  111075,"
  "not a number|$train|sabbia,    200|sabbia,    abc"
  "signal on a signal|$train|segnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0|segnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0\r\nsegnale,    113050,   2, 4, 0,  0, 0,    0,  0,0,0, 0"
  "stamp finds cell 1 taken|$line|indicatori_vmax,  1050,|indicatori_vmax,  0,"
  "unchanged|$line|lunghezza percorso|lunghezza percorso"
)
# The commands each case runs. `check` joins them once the command exists (it is added on
# another branch): the same table, compared the same way.
commands=("compile" "compile --json")
if "$linux_exe" --help 2>/dev/null | grep -q '^ *check\b'; then commands+=("check"); fi

for c in "${cases[@]}"; do
  IFS='|' read -r name text from to <<<"$c"
  for cmd in "${commands[@]}"; do
    fresh_texts
    edit "$X11_TMP/l/$text" "$from" "$to"
    cp "$X11_TMP/l/$line" "$X11_TMP/l/$train" "$X11_TMP/w/"
    # shellcheck disable=SC2086  # the command's words
    if [ "$cmd" = check ]; then
      compare "$name" check "$line" "$train"
    else
      compare "$name" $cmd "$line" "$train" -o out
      # The compiled files, when there are any, byte for byte.
      [ "$(cd "$X11_TMP/l" && find out -type f 2>/dev/null | sort)" = \
        "$(cd "$X11_TMP/w" && find out -type f 2>/dev/null | sort)" ] || fail "$name: other files in out"
      while read -r f; do
        cmp "$X11_TMP/l/$f" "$X11_TMP/w/$f" || fail "$name: $f differs"
      done < <(cd "$X11_TMP/l" && find out -type f 2>/dev/null)
    fi
  done
done

# A missing text, an output that is an input, a usage error.
fresh_texts
cp "$X11_TMP/l/$line" "$X11_TMP/w/"
compare "missing train text" compile "$line" missing-.txt -o out
cp "$X11_TMP/l/$train" "$X11_TMP/w/"
compare "no output folder" compile "$line" "$train" -o ''
compare "unknown command" frobnicate
compare "good compile" compile "$line" "$train" -o out
compare "inspect" inspect out
compare "inspect" inspect --json out
compare "inspect cells" inspect out --cells 100-103
compare "plot" plot out
# decompile writes the same two texts, and its round trip ends alike.
compare "decompile" decompile out -o edit
for t in "$line" "$train"; do
  cmp -s "$X11_TMP/l/edit/$t" "$X11_TMP/w/edit/$t" || fail "decompile: edit/$t differs from Linux"
done
echo "PASS: the Windows commands end as the Linux ones"
