#!/bin/sh
# chm-check.sh CHM KEYWORDS.cpp: opens the compiled help with a CHM reader and checks that every
# page of the contents is in it, every link between its pages leads to a page that is there, and
# the index holds every keyword the program looks up (the second text of each {L"...", L"..."}
# pair in KEYWORDS.cpp) and the words a user looks up for its commands and switches.
set -u
chm=$1
asked=$2
fail=0
problem() { echo "FAIL: $*"; fail=1; }

[ -f "$chm" ] || { echo "FAIL: no help file at $chm"; exit 1; }
command -v extract_chmLib >/dev/null || { echo "FAIL: extract_chmLib is missing (Debian libchm-bin)"; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/purgalot-chm.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
extract_chmLib "$chm" "$dir" >/dev/null || { echo "FAIL: extract_chmLib cannot read $chm"; exit 1; }

# The targets of the sitemap entries of a contents or index file, one a line.
locals() { tr '\n' ' ' <"$1" | grep -o '<param name="Local" value="[^"]*"' | sed 's/.*value="//; s/"$//'; }
names() { tr '\n' ' ' <"$1" | grep -o '<param name="Name" value="[^"]*"' | sed 's/.*value="//; s/"$//'; }

hhc=$(ls "$dir"/*.hhc 2>/dev/null | head -n 1)
hhk=$(ls "$dir"/*.hhk 2>/dev/null | head -n 1)
[ -n "$hhc" ] || problem "no table of contents in the help file"
[ -n "$hhk" ] || problem "no index in the help file"
[ $fail -eq 0 ] || exit 1

pages=$(locals "$hhc")
[ "$(echo "$pages" | grep -c .)" -ge 10 ] || problem "the contents list fewer than ten pages"
for page in $pages; do
  [ -f "$dir/${page%%#*}" ] || problem "contents page $page is missing"
done
for page in $(locals "$hhk"); do
  [ -f "$dir/${page%%#*}" ] || problem "index entry leads to missing page $page"
done

# Every page and style sheet a page links to, within the help file.
for file in "$dir"/*.htm; do
  [ -f "$file" ] || continue
  for link in $(grep -o -i -E '(href|src)="[^"]*"' "$file" | sed 's/^[^"]*"//; s/"$//'); do
    case $link in
      http:*|https:*|mailto:*|\#*) continue ;;
    esac
    [ -f "$dir/${link%%#*}" ] || problem "$(basename "$file") links to missing $link"
  done
  grep -q -i '<title>[^<]' "$file" || problem "$(basename "$file") has no title"
done
# A page in the file that no contents entry reaches is lost to the reader.
for file in "$dir"/*.htm; do
  echo "$pages" | grep -qx "$(basename "$file")" || problem "$(basename "$file") is not in the contents"
done

index=$(names "$hhk")
program=$(sed -n 's/.*{L"[^"]*", L"\([^"]*\)"}.*/\1/p' "$asked")
[ -n "$program" ] || problem "no keywords found in $asked"
commands='Uninstall
Assisted uninstall
Delete from list
Clean-Up
Program details
Edit program details
New program
Audit report
Uninstall log
Refresh
Find
Welcome box
Help
About
Updates
Settings
Command line
/UNINSTALL
/QU
/RFL
/RFS
/RPL
/RPS'
keywords=$(printf '%s\n%s\n' "$program" "$commands")
IFS='
'
for keyword in $keywords; do
  echo "$index" | grep -qx -F "$keyword" || problem "the index lacks \"$keyword\""
done
unset IFS

if [ $fail -eq 0 ]; then
  echo "PASSED: $(echo "$pages" | wc -l) pages, $(echo "$index" | wc -l) index entries"
fi
exit $fail
