#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the desktop side of it:
# the entry passes desktop-file-validate, the desktop's own lookup names
# Tavril for every file type it claims, the manual page formats cleanly and
# covers every sub-command, and the completion offers sub-commands and options.
# usage: desktop_test.sh BUILD_DIR SOURCE_DIR TAVRIL_CLI
set -u
build=$1 src=$2 cli=$3
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check "the desktop entry is valid" "desktop-file-validate '$src/tavril.desktop'"
cmake --install "$build" --prefix "$work/prefix" >/dev/null || { echo "FAILED: install"; exit 1; }
share=$work/prefix/share
check "entry installed" "[ -f '$share/applications/tavril.desktop' ]"
check "icon installed" "[ -f '$share/icons/hicolor/scalable/apps/tavril.svg' ]"

# Only the prefix's data folders: the desktop of the machine running the test must not answer.
export XDG_DATA_HOME=$work/home-data XDG_DATA_DIRS=$share XDG_CONFIG_HOME=$work/home-config XDG_CONFIG_DIRS=$work/none
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
for type in audio/x-wav audio/x-aiff audio/x-aifc application/x-tavril-display application/x-tavril-settings; do
  answer=$(xdg-mime query default "$type")
  check "$type opens in Tavril (got '$answer')" "[ '$answer' = tavril.desktop ]"
done
# The desktop's type database, as update-mime-database compiled it, knows the two extensions.
check ".dsp is a Tavril display" "grep -q ':application/x-tavril-display:\\*\\.dsp$' '$share/mime/globs2'"
check ".set is a Tavril settings file" "grep -q ':application/x-tavril-settings:\\*\\.set$' '$share/mime/globs2'"

man=$work/prefix/share/man/man1/tavril-cli.1
check "manual page installed" "[ -f '$man' ]"
check "manual page formats without warnings" "[ -z \"\$(groff -man -ww -z '$man' 2>&1)\" ]"
for command in $("$cli" help | awk '/^Commands:/ {on=1; next} on && /^  [a-z]/ {print $1}'); do
  check "manual page covers $command" "grep -q '^\\.SS $command\$' '$man'"
done

set +u  # completion functions read unset variables
# shellcheck disable=SC1090
source "$share/bash-completion/completions/tavril-cli"
PATH=$(dirname "$cli"):$PATH
COMP_WORDS=(tavril-cli sp); COMP_CWORD=1; _tavril_cli
check "completes sub-commands (got '${COMPREPLY[*]}')" "[ '${COMPREPLY[*]}' = spectrogram ]"
COMP_WORDS=(tavril-cli spectrogram --pn); COMP_CWORD=2; _tavril_cli
check "completes a command's options (got '${COMPREPLY[*]}')" "[ '${COMPREPLY[*]}' = --png ]"
exit $fail
