#!/usr/bin/env bash
# Prints a one-line apt source for release TO, taken from the entry through which
# this machine's apt reaches release FROM's main archive: the same URI and key,
# only the release name changed, so a local mirror or a snapshot keeps serving.
# Update and security entries (FROM-updates, FROM-security, ...) are not the
# archive a newer release's packages live in.
#
# usage: archive-source.sh FROM TO [SOURCES_FILE...]
#   Without files it reads apt's own: sources.list and sources.list.d/*.list and
#   *.sources. Exits 1 when no entry names FROM with component main.
set -euo pipefail
from=$1
to=$2
shift 2

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"
  [ -f "${list:-}" ] && files+=("$list")
  for f in "${parts:-/nonexistent}"*.list "${parts:-/nonexistent}"*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
fi
set -f  # values are words, never file patterns

# Options kept from the entry: its key and a local mirror's "no signature" mark.
# Others (arch=, lang=, ...) say nothing about where packages come from.
emit() { # uri signed-by trusted
  local opts=()
  [ -n "$2" ] && opts+=("signed-by=$2")
  [ -n "$3" ] && opts+=("trusted=$3")
  if [ ${#opts[@]} -gt 0 ]; then
    echo "deb [${opts[*]}] $1 $to main"
  else
    echo "deb $1 $to main"
  fi
  exit 0
}

has_word() { local w; for w in $2; do [ "$w" = "$1" ] && return 0; done; return 1; }

# A disc or a file tree of one release holds nothing newer.
usable_uri() { case "$1" in cdrom:*) return 1 ;; *) return 0 ;; esac; }

one_line() { # file
  local line opts uri suite comps signed trusted o w
  while IFS= read -r line || [ -n "$line" ]; do
    line=${line%%#*}
    read -r -a w <<<"$line" || true
    [ ${#w[@]} -gt 1 ] && [ "${w[0]}" = deb ] || continue
    opts= signed= trusted=
    w=("${w[@]:1}")
    if [ "${w[0]:0:1}" = "[" ]; then
      # Options may be spread over several words: "[ arch=amd64 signed-by=/k ]".
      opts=
      while [ ${#w[@]} -gt 0 ]; do
        opts+=" ${w[0]}"
        w=("${w[@]:1}")
        [[ $opts == *"]"* ]] && break
      done
      opts=${opts//[\[\]]/ }
      for o in $opts; do
        case "$o" in
          signed-by=*) signed=${o#signed-by=} ;;
          trusted=*) trusted=${o#trusted=} ;;
        esac
      done
    fi
    # Checked before anything else: a disc's name holds spaces inside its brackets.
    [ ${#w[@]} -ge 3 ] && usable_uri "${w[0]}" || continue
    uri=${w[0]} suite=${w[1]} comps="${w[*]:2}"
    [ "$suite" = "$from" ] && has_word main "$comps" || continue
    emit "$uri" "$signed" "$trusted"
  done <"$1"
}

# One deb822 stanza at a time; its fields, lower-cased, gather here.
types= uris= suites= comps= signed= trusted= enabled= current=
stanza_done() {
  local uri
  if has_word deb "$types" && [ "${enabled,,}" != no ] && has_word "$from" "$suites" \
     && has_word main "$comps"; then
    for uri in $uris; do usable_uri "$uri" && emit "$uri" "$signed" "$trusted"; done
  fi
  types= uris= suites= comps= signed= trusted= enabled= current=
}

deb822() { # file
  local line field value
  while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in
      \#*) continue ;;
      [[:space:]]*)
        # A continuation: more values for the field above, or an inline key,
        # which a one-line source cannot carry; apt's keyring then checks.
        if [ -z "${line//[[:space:]]/}" ]; then stanza_done; continue; fi
        case "$current" in
          uris) uris+=" $line" ;; suites) suites+=" $line" ;; components) comps+=" $line" ;;
          types) types+=" $line" ;; signed-by) signed= ;;
        esac
        continue ;;
      '') stanza_done; continue ;;
    esac
    field=${line%%:*}
    field=${field,,}
    value=${line#*:}
    read -r value <<<"$value" || true
    current=$field
    case "$field" in
      types) types=$value ;;
      uris) uris=$value ;;
      suites) suites=$value ;;
      components) comps=$value ;;
      signed-by) signed=$value ;;
      trusted) trusted=$value ;;
      enabled) enabled=$value ;;
    esac
  done <"$1"
  stanza_done
}

for f in "${files[@]}"; do
  case "$f" in
    *.sources) deb822 "$f" ;;
    *) one_line "$f" ;;
  esac
done
echo "archive-source.sh: no apt source names the $from release's main archive;" \
  "add its entry (deb URI $from main) to /etc/apt/sources.list" >&2
exit 1
